// A bounded read of a regular file, for the programs that read their input
// from a path: the renderer's file source, the measuring harness and the
// renderer benchmark. Standard C++ and POSIX only.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace kivo_support {

// What a bounded read of a regular file gives back.
struct FileRead {
  enum class Status { Read, NotRegular, Failed };
  Status status = Status::Read;
  // The errno of the call that failed, when the status is Failed.
  int error = 0;
  // What was read, at most the bound.
  std::string content;
};

// Reads the regular file at `path` (links followed), at most `bound` bytes: a
// caller passes one byte more than its limit to tell an oversized file apart,
// and a file that keeps growing cannot hold the read up. The path is checked
// before it is opened and the open file again; the open does not block, so a
// file swapped for a FIFO in between is refused rather than waited on.
// `before_read`, when given, learns the file's size (at most `bound`) before
// anything is allocated for its content. The size only sizes the first
// allocation; the bound is what stops the read.
FileRead read_regular_file(const std::string& path, std::size_t bound,
                           const std::function<void(std::size_t)>& before_read = {});

}  // namespace kivo_support
