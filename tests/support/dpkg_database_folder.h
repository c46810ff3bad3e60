#pragma once

#include <map>
#include <string>
#include <vector>

namespace korvane::test {

// A file of a package: where it goes under the root ("usr/bin/tool") and its bytes.
struct PackagedFile {
    std::string path;
    std::string contents;
};

// A dpkg database under a root folder the test owns, written as dpkg writes it:
// every file of the database is replaced by renaming a new one into place.
class DpkgDatabaseFolder {
public:
    // Makes var/lib/dpkg/info and updates/ and an empty status file under `root`.
    explicit DpkgDatabaseFolder(std::string root);

    // The full path of `relative` under the root.
    std::string at(const std::string& relative) const { return root_ + "/" + relative; }

    // Writes the files under the root, records their digests in the package's md5sums
    // file and gives the package `state` ("installed", "half-installed", ...).
    void install(const std::string& package, const std::vector<PackagedFile>& files,
                 const std::string& state = "installed");
    // Replaces the package's md5sums file with `text` as it stands.
    void writeMd5sums(const std::string& package, const std::string& text);
    // Gives the package `state` in the status file.
    void setState(const std::string& package, const std::string& state);
    // A journal entry in updates/ as dpkg writes it while it works.
    void journal(const std::string& number, const std::string& package, const std::string& state);
    void divert(const std::string& from, const std::string& to, const std::string& by);

    // The line a package's md5sums file holds for a file: lower-case digest, two blanks.
    static std::string Md5sumsLine(const PackagedFile& file);

private:
    void writeStatus();
    void replace(const std::string& relative, const std::string& bytes) const;
    static std::string Stanza(const std::string& package, const std::string& state);

    std::string root_;
    std::map<std::string, std::string> states_;
    std::vector<std::string> diversions_;
};

} // namespace korvane::test
