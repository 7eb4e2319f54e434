#include "support/fake_file_system.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

bool FakeFileSystem::Fails(FakeOp op) {
  const auto k = static_cast<int>(op);
  ++calls_[k];
  if (countdown_[k] <= 0) return false;
  return --countdown_[k] == 0;
}

FakeFileSystem::OpenFile* FakeFileSystem::Get(FileHandle* file) {
  return reinterpret_cast<OpenFile*>(file);
}

int FakeFileSystem::OpenHandles() const {
  return static_cast<int>(std::count_if(handles_.begin(), handles_.end(),
                                        [](const std::unique_ptr<OpenFile>& h) { return h->open; }));
}

std::vector<std::string> FakeFileSystem::NamesExcept(const std::vector<std::string>& keep) const {
  std::vector<std::string> names;
  for (const auto& [name, file] : files)
    if (std::find(keep.begin(), keep.end(), name) == keep.end()) names.push_back(name);
  return names;
}

FileHandle* FakeFileSystem::OpenForRead(const char* path) noexcept {
  if (Fails(FakeOp::OpenForRead) || path[0] == '\0') return nullptr;
  if (!files.count(path)) files[path] = FakeFile{"", clock += 10};  // opened always: created empty
  handles_.push_back(std::make_unique<OpenFile>());
  handles_.back()->path = path;
  return reinterpret_cast<FileHandle*>(handles_.back().get());
}

bool FakeFileSystem::LastWriteTime(FileHandle* file, uint64_t* time) noexcept {
  if (Fails(FakeOp::LastWriteTime)) return false;
  *time = files.at(Get(file)->path).time;
  return true;
}

bool FakeFileSystem::Size(FileHandle* file, uint32_t* size) noexcept {
  if (Fails(FakeOp::Size)) return false;
  *size = static_cast<uint32_t>(files.at(Get(file)->path).bytes.size());
  return true;
}

bool FakeFileSystem::Read(FileHandle* file, void* buffer, uint32_t count) noexcept {
  if (Fails(FakeOp::Read)) return false;
  OpenFile* h = Get(file);
  const std::string& bytes = files.at(h->path).bytes;
  if (h->position + count > bytes.size()) return false;
  std::memcpy(buffer, bytes.data() + h->position, count);
  h->position += count;
  return true;
}

void FakeFileSystem::Close(FileHandle* file) noexcept { Get(file)->open = false; }

bool FakeFileSystem::FindLastWriteTime(const char* path, uint64_t* time) noexcept {
  if (Fails(FakeOp::FindLastWriteTime)) return false;
  const auto found = files.find(path);
  if (found == files.end()) return false;
  *time = found->second.time;
  return true;
}

FileHandle* FakeFileSystem::CreateTemporary(const char* besidePath, char* tempPath,
                                            uint32_t* error) noexcept {
  if (Fails(FakeOp::CreateTemporary)) {
    *error = kInjectedError;
    return nullptr;
  }
  const std::string beside = besidePath;
  const size_t slash = beside.find_last_of('\\');
  const std::string folder = slash == std::string::npos ? "" : beside.substr(0, slash + 1);
  std::snprintf(tempPath, 260, "%svlm%d.tmp", folder.c_str(), ++temporaries_);
  files[tempPath] = FakeFile{"", clock += 10};
  handles_.push_back(std::make_unique<OpenFile>());
  handles_.back()->path = tempPath;
  return reinterpret_cast<FileHandle*>(handles_.back().get());
}

bool FakeFileSystem::Write(FileHandle* file, const void* data, uint32_t count, uint32_t* error) noexcept {
  FakeFile& target = files.at(Get(file)->path);
  const auto* bytes = static_cast<const char*>(data);
  if (Fails(FakeOp::Write)) {
    target.bytes.append(bytes, count / 2);
    *error = kInjectedError;
    return false;
  }
  target.bytes.append(bytes, count);
  target.time = clock += 10;
  return true;
}

bool FakeFileSystem::Flush(FileHandle*, uint32_t* error) noexcept {
  if (!Fails(FakeOp::Flush)) return true;
  *error = kInjectedError;
  return false;
}

bool FakeFileSystem::Replace(const char* target, const char* replacement, const char* backup,
                             uint32_t* error) noexcept {
  if (Fails(FakeOp::Replace) || !files.count(replacement)) {
    *error = kInjectedError;
    return false;
  }
  if (files.count(target)) files[backup] = files[target];
  files[target] = files[replacement];
  files.erase(replacement);
  return true;
}

bool FakeFileSystem::Delete(const char* path) noexcept {
  if (Fails(FakeOp::Delete)) return false;
  return files.erase(path) == 1;
}
