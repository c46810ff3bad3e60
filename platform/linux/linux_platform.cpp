#include "platform/linux/linux_platform.h"

#include <unistd.h>

#include "platform/linux/canberra_sound_player.h"
#include "platform/linux/fanotify_execution_guard.h"
#include "platform/linux/linux_clock.h"
#include "platform/linux/linux_end_of_session.h"
#include "platform/linux/linux_executable_access.h"
#include "platform/linux/linux_file_locker.h"
#include "platform/linux/linux_instance_lock.h"
#include "platform/linux/linux_process_events.h"
#include "platform/linux/linux_process_priority.h"
#include "platform/linux/linux_process_table.h"
#include "platform/linux/linux_process_terminator.h"
#include "platform/linux/process_handles.h"
#include "platform/linux/xdg_autostart.h"
#include "platform/linux/xdg_document_opener.h"

namespace korvane {

PlatformServices MakeLinuxPlatform() {
    // The table, the terminator and the image reader see processes through the same
    // held pidfds.
    const auto handles = std::make_shared<linux_proc::ProcessHandles>();
    PlatformServices services;
    services.processes = std::make_unique<LinuxProcessTable>(handles);
    services.terminator = std::make_unique<LinuxProcessTerminator>(handles);
    services.priority = std::make_unique<LinuxProcessPriority>();
    services.clock = std::make_unique<LinuxClock>();
    services.executables = std::make_unique<LinuxExecutableAccess>(handles);
    services.sound = std::make_unique<CanberraSoundPlayer>();
    services.instanceLock = std::make_unique<LinuxInstanceLock>();
    services.fileLocker = std::make_unique<LinuxFileLocker>();
    services.startup = std::make_unique<XdgAutostart>(XdgAutostart::FromEnvironment());
    services.endOfSession = std::make_unique<LinuxEndOfSession>();
    services.documents = std::make_unique<XdgDocumentOpener>();
    services.processEvents = std::make_unique<LinuxProcessEvents>();
    // Only root holds a group; elsewhere the kill after the start does it all.
    services.executionGuard = FanotifyExecutionGuard::Create();
    // Only root can read every process's executable; anyone else sees their own.
    services.scope = std::make_unique<FixedWatchScope>(::geteuid() == 0 ? "Watching all processes as root."
                                                                        : "Watching this user's processes only.");
    return services;
}

} // namespace korvane
