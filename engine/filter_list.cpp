#include "engine/filter_list.h"

#include <iterator>
#include <vector>

namespace korvane {

namespace {

// Kept verbatim: they are part of what every stored configuration was judged against.
const char* const kFixedPaths[] = {
    "C:\\WINDOWS\\Explorer.exe",           "C:\\WINDOWS\\system32\\svchost.exe",
    "C:\\WINDOWS\\system32\\spoolsv.exe",  "C:\\WINDOWS\\system32\\lsass.exe",
    "C:\\WINDOWS\\system32\\services.exe", "C:\\WINDOWS\\system32\\wbem\\wmiapsrv.exe",
    "C:\\WINDOWS\\system32\\ctfmon.exe",   "C:\\WINDOWS\\system32\\audiodg.exe",
    "C:\\WINDOWS\\system32\\cfswmgr.exe",  "C:\\WINDOWS\\system32\\csrss.exe",
    "C:\\WINDOWS\\system32\\df5serv.exe",  "C:\\WINDOWS\\system32\\dwm.exe",
    "C:\\WINDOWS\\system32\\hkcmd.exe",    "C:\\WINDOWS\\system32\\hpsysdrv.exe",
    "C:\\WINDOWS\\system32\\ieuser.exe",   "C:\\WINDOWS\\system32\\igfxpers.exe",
    "C:\\WINDOWS\\system32\\igfxsrvc",     "C:\\WINDOWS\\system32\\igfxtray",
    "C:\\WINDOWS\\system32\\lsm.exe",      "C:\\WINDOWS\\system32\\mcagent.exe",
    "C:\\WINDOWS\\system32\\mcuimgr.exe",  "C:\\WINDOWS\\system32\\modsync.exe",
    "C:\\WINDOWS\\system32\\mpsevh.exe",   "C:\\WINDOWS\\system32\\msascui.exe",
    "C:\\WINDOWS\\system32\\mskagent.exe", "C:\\WINDOWS\\system32\\napster.exe",
    "C:\\WINDOWS\\system32\\ndstray.exe",  "C:\\WINDOWS\\system32\\rthdvcpl.exe",
    "C:\\WINDOWS\\system32\\rundll32.exe", "C:\\WINDOWS\\system32\\schtask.exe",
    "C:\\WINDOWS\\system32\\sidebar.exe",  "C:\\WINDOWS\\system32\\slsvc.exe",
    "C:\\WINDOWS\\system32\\smss.exe",     "C:\\WINDOWS\\system32\\taskeng.exe",
    "C:\\WINDOWS\\system32\\taskmgr.exe",  "C:\\WINDOWS\\system32\\upeksrv.exe",
    "C:\\WINDOWS\\system32\\wininit.exe",  "C:\\WINDOWS\\system32\\winlogon.exe",
    "C:\\WINDOWS\\system32\\wmpnscfg.exe", "C:\\WINDOWS\\system32\\wpcumi.exe",
};

std::vector<std::string> FilterPaths(const std::string& ownExecutable) {
    std::vector<std::string> paths{ownExecutable};
    paths.insert(paths.end(), std::begin(kFixedPaths), std::end(kFixedPaths));
    return paths;
}

} // namespace

FilterList::FilterList(const std::string& ownExecutable) : paths_(FilterPaths(ownExecutable)) {}

bool FilterList::InFilterList(std::string_view path) const {
    return paths_.contains(path);
}

} // namespace korvane
