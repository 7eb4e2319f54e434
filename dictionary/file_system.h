// The file work the word file needs, as an interface: the library has a
// Win32 side, the command-line tool a POSIX side, and tests a fake that can
// fail at any step. Paths are CP932, as the host names files.
#pragma once
#include <cstdint>

struct FileHandle;  // opaque, owned by the implementation

struct FileSystem {
  // Opens for reading, others may read and write meanwhile; creates an empty
  // file when there is none. Null when it cannot be opened.
  virtual FileHandle* OpenForRead(const char* path) noexcept = 0;
  // Last-write time of an open file, 100 ns units. False when it cannot be had.
  virtual bool LastWriteTime(FileHandle* file, uint64_t* time) noexcept = 0;
  virtual bool Size(FileHandle* file, uint32_t* size) noexcept = 0;
  // Reads exactly `count` bytes; false on a short or failed read.
  virtual bool Read(FileHandle* file, void* buffer, uint32_t count) noexcept = 0;
  virtual void Close(FileHandle* file) noexcept = 0;
  // Last-write time of a file by path; false when no such file.
  virtual bool FindLastWriteTime(const char* path, uint64_t* time) noexcept = 0;

  // Saving. A new, uniquely named file in the folder of `besidePath`, open for
  // writing (others may only read). Its name goes to tempPath (260 bytes).
  virtual FileHandle* CreateTemporary(const char* besidePath, char* tempPath,
                                      uint32_t* error) noexcept = 0;
  virtual bool Write(FileHandle* file, const void* data, uint32_t count,
                     uint32_t* error) noexcept = 0;
  // Flushes to disk; false (with error) when that fails.
  virtual bool Flush(FileHandle* file, uint32_t* error) noexcept = 0;
  // Puts `replacement` in place of `target`; a previous target becomes
  // `backup` (replacing an older backup). Either all of it happens or nothing.
  virtual bool Replace(const char* target, const char* replacement, const char* backup,
                       uint32_t* error) noexcept = 0;
  virtual bool Delete(const char* path) noexcept = 0;

 protected:
  ~FileSystem() = default;
};
