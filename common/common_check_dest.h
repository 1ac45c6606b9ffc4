// The checks of a file the program is about to write (a dump file, the log file), made before
// anything is written, so that the user learns at once why the file cannot be.
#pragma once

#include <string>

// Throws a tk_exception (kind 1) with a message for the user when no dump file can be written
// at the path: a folder, a read-only file, a missing folder, or one the process may not write.
void common_check_dest(const std::wstring& path);

// Throws a tk_exception (kind 1) when the dump at the path would replace what it must not: a
// symbolic link, a device, a pipe or a socket (only a regular file is replaced), or the source
// database itself under another name (a hard link or a second path).
void common_check_dump_target(const std::wstring& path, const std::wstring& source);

// The messages of check_file_path, one for each reason a file cannot be written.
struct file_path_texts {
  const char* folder;          // the path names a folder
  const char* read_only;       // an existing file that is read-only
  const char* missing_folder;  // its folder does not exist
  const char* not_writable;    // the process may not write into the folder
};
// Throws a tk_exception (kind 1) with the text of the first reason the file cannot be written.
void check_file_path(const std::string& path, const file_path_texts& texts);
