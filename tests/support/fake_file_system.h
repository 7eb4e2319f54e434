// An in-memory FileSystem for tests: files are byte strings with a time,
// and any operation can be made to fail at its Nth call from now.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dictionary/file_system.h"

enum class FakeOp {
  OpenForRead,
  LastWriteTime,
  Size,
  Read,
  FindLastWriteTime,
  CreateTemporary,
  Write,
  Flush,
  Replace,
  Delete,
  Count,
};

struct FakeFile {
  std::string bytes;
  uint64_t time;
};

class FakeFileSystem final : public FileSystem {
 public:
  static constexpr uint32_t kInjectedError = 112;  // "disk full", as the system numbers it

  std::map<std::string, FakeFile> files;
  uint64_t clock = 130000000000000000;  // advances with every change of a file

  // The nth call of `op` from now fails (1 = the next); later calls succeed.
  // A failing Write stores the first half of its bytes first, as a full disk would.
  void FailAt(FakeOp op, int nth) { countdown_[static_cast<int>(op)] = nth; }
  int Calls(FakeOp op) const { return calls_[static_cast<int>(op)]; }
  int OpenHandles() const;
  // Files whose name is not among `keep` (temporary files left behind).
  std::vector<std::string> NamesExcept(const std::vector<std::string>& keep) const;

  FileHandle* OpenForRead(const char* path) noexcept override;
  bool LastWriteTime(FileHandle* file, uint64_t* time) noexcept override;
  bool Size(FileHandle* file, uint32_t* size) noexcept override;
  bool Read(FileHandle* file, void* buffer, uint32_t count) noexcept override;
  void Close(FileHandle* file) noexcept override;
  bool FindLastWriteTime(const char* path, uint64_t* time) noexcept override;
  FileHandle* CreateTemporary(const char* besidePath, char* tempPath, uint32_t* error) noexcept override;
  bool Write(FileHandle* file, const void* data, uint32_t count, uint32_t* error) noexcept override;
  bool Flush(FileHandle* file, uint32_t* error) noexcept override;
  bool Replace(const char* target, const char* replacement, const char* backup,
               uint32_t* error) noexcept override;
  bool Delete(const char* path) noexcept override;

 private:
  struct OpenFile {
    std::string path;
    uint32_t position = 0;
    bool open = true;
  };
  bool Fails(FakeOp op);
  OpenFile* Get(FileHandle* file);

  int countdown_[static_cast<int>(FakeOp::Count)] = {};
  int calls_[static_cast<int>(FakeOp::Count)] = {};
  std::vector<std::unique_ptr<OpenFile>> handles_;
  int temporaries_ = 0;
};
