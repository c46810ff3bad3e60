#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <sys/types.h>

#include "engine/file_descriptor.h"

namespace korvane {

// The new contents of a file, written to a temporary file beside it and put in its
// place by one rename, so that a reader, also after a crash or a power cut, finds the
// old contents or the new ones, never part of either.
//
// The temporary file "<path>.partial-XXXXXX" is made at the start; fill it through write() or
// by its path, then commit(): the temporary file is flushed to disk, renamed over
// `path`, and the folder is flushed so that the rename itself survives a power cut.
// A replacement that is not committed removes its temporary file.
class FileReplacement {
public:
    // The temporary file gets the permissions and owner of the file now at `path` (the
    // file a link there points to), or `newFileMode` when there is none. Nothing when
    // no such file can be made beside it: the folder is not writable, or the owner
    // cannot be kept.
    static std::optional<FileReplacement> Begin(const std::string& path, mode_t newFileMode);
    // As Begin, but throws FileError "Cannot create file <path>" instead.
    static FileReplacement Create(const std::string& path, mode_t newFileMode);
    // Removes the temporary files that replacements of `path` left behind when their
    // process died before committing or discarding them. Only while no replacement
    // of `path` is under way.
    static void RemoveLeftovers(const std::string& path);

    ~FileReplacement();
    FileReplacement(FileReplacement&& other) noexcept;
    FileReplacement& operator=(FileReplacement&&) = delete;
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    const std::string& path() const { return path_; }
    const std::string& temporaryPath() const { return temporary_; }

    // Appends to the temporary file. Throws FileError "Stream write error <path>".
    void write(std::string_view bytes);
    // Flushes the temporary file's contents to disk. Throws FileError.
    void flush();
    // Flushes, renames the temporary file over `path` and flushes the folder. Throws
    // FileError "Stream write error <path>"; the old file is then still in place
    // unless the failure came after the rename, from the folder.
    void commit();

private:
    FileReplacement(std::string path, std::string temporary, Descriptor file);
    void discard() noexcept;

    std::string path_;
    std::string temporary_; // empty once renamed or removed
    Descriptor file_;
};

// Flushes a folder's entries (new, renamed or removed names) to disk. False when the
// folder cannot be opened or flushed.
bool FlushFolder(const std::string& folder);

} // namespace korvane
