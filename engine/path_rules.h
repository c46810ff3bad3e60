#pragma once

#include <string>
#include <string_view>

namespace korvane {

// Rules about executable paths that several parts of the program must apply alike.

// True when `path` lies in the program's folder or below it: it begins with the
// folder, trailing separator included, byte for byte. Anchored and case-sensitive,
// because Linux paths are: a folder of the same name elsewhere, or one that differs
// only in case, belongs to someone else.
bool InProgramFolder(std::string_view path, std::string_view programFolder);

// True when `path` can stand as one line of a line-based list file: it holds no CR
// and no LF. Linux allows both in a file name; such a path can be neither stored in
// a list nor found in one, so its process is admitted to no list.
bool ListablePath(std::string_view path);

// True when `path` is a full path. A process whose file cannot be told is listed under
// a text instead (such as "[unreadable] NAME"): that names no file to digest.
bool FullPath(std::string_view path);

// The file name of `path`: the text after its last "/", the whole text when it has
// none (a Kill entry may be a bare name already).
std::string FileName(std::string_view path);

} // namespace korvane
