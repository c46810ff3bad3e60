#include "tests/support/dpkg_database_folder.h"

#include <filesystem>

#include "engine/checksums.h"
#include "tests/support/temp_folder.h"

namespace korvane::test {

namespace {

std::string LowerCaseDigest(const std::string& contents) {
    DigestContext context;
    DigestInit(context);
    DigestUpdate(context, contents.data(), contents.size());
    std::string text = DigestText(DigestFinal(context));
    for (char& c : text) {
        if (c >= 'A' && c <= 'F') {
            c = static_cast<char>(c + 32);
        }
    }
    return text;
}

} // namespace

DpkgDatabaseFolder::DpkgDatabaseFolder(std::string root) : root_(std::move(root)) {
    std::filesystem::create_directories(at("var/lib/dpkg/info"));
    std::filesystem::create_directories(at("var/lib/dpkg/updates"));
    writeStatus();
}

std::string DpkgDatabaseFolder::Md5sumsLine(const PackagedFile& file) {
    return LowerCaseDigest(file.contents) + "  " + file.path + "\n";
}

void DpkgDatabaseFolder::install(const std::string& package, const std::vector<PackagedFile>& files,
                                 const std::string& state) {
    std::string md5sums;
    for (const PackagedFile& file : files) {
        std::filesystem::create_directories(std::filesystem::path(at(file.path)).parent_path());
        replace(file.path, file.contents);
        std::filesystem::permissions(at(file.path), std::filesystem::perms::owner_all);
        md5sums += Md5sumsLine(file);
    }
    writeMd5sums(package, md5sums);
    setState(package, state);
}

void DpkgDatabaseFolder::writeMd5sums(const std::string& package, const std::string& text) {
    replace("var/lib/dpkg/info/" + package + ".md5sums", text);
}

void DpkgDatabaseFolder::setState(const std::string& package, const std::string& state) {
    states_[package] = state;
    writeStatus();
}

void DpkgDatabaseFolder::journal(const std::string& number, const std::string& package, const std::string& state) {
    replace("var/lib/dpkg/updates/" + number, Stanza(package, state));
}

void DpkgDatabaseFolder::divert(const std::string& from, const std::string& to, const std::string& by) {
    diversions_.push_back(from + "\n" + to + "\n" + by + "\n");
    std::string text;
    for (const std::string& diversion : diversions_) {
        text += diversion;
    }
    replace("var/lib/dpkg/diversions", text);
}

std::string DpkgDatabaseFolder::Stanza(const std::string& package, const std::string& state) {
    // "name:arch" packages carry the architecture in a field of their own.
    const std::size_t colon = package.find(':');
    const std::string name = package.substr(0, colon);
    const std::string architecture = colon == std::string::npos ? "amd64" : package.substr(colon + 1);
    return "Package: " + name + "\nStatus: install ok " + state +
           "\nPriority: optional\nArchitecture: " + architecture +
           "\nDescription: a test package\n with a second line: of its description\n\n";
}

void DpkgDatabaseFolder::writeStatus() {
    std::string text;
    for (const auto& [package, state] : states_) {
        text += Stanza(package, state);
    }
    replace("var/lib/dpkg/status", text);
}

void DpkgDatabaseFolder::replace(const std::string& relative, const std::string& bytes) const {
    const std::string path = at(relative);
    WriteFileBytes(path + ".new", bytes);
    std::filesystem::rename(path + ".new", path);
}

} // namespace korvane::test
