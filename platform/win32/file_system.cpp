#include <windows.h>

#include <cstdint>
#include <cstring>

#include "guard/line_text.h"
#include "platform/file_systems.h"

namespace {

constexpr DWORD kFileHints = FILE_ATTRIBUTE_ARCHIVE | FILE_FLAG_SEQUENTIAL_SCAN;

HANDLE AsHandle(FileHandle* file) noexcept { return reinterpret_cast<HANDLE>(file); }

FileHandle* AsFile(HANDLE handle) noexcept {
  return handle == INVALID_HANDLE_VALUE ? nullptr : reinterpret_cast<FileHandle*>(handle);
}

uint64_t TimeOf(const FILETIME& time) noexcept {
  return static_cast<uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

// The folder of a path with its separator, walked by character: a trail byte
// may be 0x5C. False when there is none or it does not fit.
bool FolderOf(const char* path, char* folder, size_t size) noexcept {
  size_t end = 0;
  for (size_t k = 0; path[k] != '\0'; ++k) {
    const auto b = static_cast<unsigned char>(path[k]);
    if (b == '\\' || b == '/')
      end = k + 1;
    else if (IsLeadByte(b) && path[k + 1] != '\0')
      ++k;
  }
  if (end == 0 || end >= size) return false;
  std::memcpy(folder, path, end);
  folder[end] = '\0';
  return true;
}

bool Exists(const char* path) noexcept {
  if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return true;
  const DWORD error = GetLastError();
  return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

struct Win32FileSystem final : FileSystem {
  FileHandle* OpenForRead(const char* path) noexcept override {
    return AsFile(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, kFileHints, nullptr));
  }

  bool LastWriteTime(FileHandle* file, uint64_t* time) noexcept override {
    FILETIME written;
    if (!GetFileTime(AsHandle(file), nullptr, nullptr, &written)) return false;
    *time = TimeOf(written);
    return true;
  }

  bool Size(FileHandle* file, uint32_t* size) noexcept override {
    DWORD high = 0;
    const DWORD low = GetFileSize(AsHandle(file), &high);
    if ((low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || high != 0) return false;
    *size = low;
    return true;
  }

  bool Read(FileHandle* file, void* buffer, uint32_t count) noexcept override {
    auto* at = static_cast<unsigned char*>(buffer);
    for (uint32_t done = 0; done < count;) {
      DWORD n = 0;
      if (!ReadFile(AsHandle(file), at + done, count - done, &n, nullptr) || n == 0) return false;
      done += n;
    }
    return true;
  }

  void Close(FileHandle* file) noexcept override {
    if (file) CloseHandle(AsHandle(file));
  }

  bool FindLastWriteTime(const char* path, uint64_t* time) noexcept override {
    if (std::strpbrk(path, "*?")) return false;  // a name, never a wildcard
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    *time = TimeOf(found.ftLastWriteTime);
    return true;
  }

  FileHandle* CreateTemporary(const char* besidePath, char* tempPath, uint32_t* error) noexcept override {
    char folder[MAX_PATH];
    if (!FolderOf(besidePath, folder, MAX_PATH - 14)) {
      *error = ERROR_BAD_PATHNAME;
      return nullptr;
    }
    if (GetTempFileNameA(folder, "vlm", 0, tempPath) == 0) {  // creates it, uniquely named
      *error = GetLastError();
      return nullptr;
    }
    const HANDLE file =
        CreateFileA(tempPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, kFileHints, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      *error = GetLastError();
      DeleteFileA(tempPath);
      return nullptr;
    }
    return AsFile(file);
  }

  bool Write(FileHandle* file, const void* data, uint32_t count, uint32_t* error) noexcept override {
    DWORD written = 0;
    if (!WriteFile(AsHandle(file), data, count, &written, nullptr)) {
      *error = GetLastError();
      return false;
    }
    if (written != count) {
      *error = ERROR_HANDLE_DISK_FULL;
      return false;
    }
    return true;
  }

  bool Flush(FileHandle* file, uint32_t* error) noexcept override {
    if (FlushFileBuffers(AsHandle(file))) return true;
    *error = GetLastError();
    return false;
  }

  bool Replace(const char* target, const char* replacement, const char* backup,
               uint32_t* error) noexcept override {
    if (!Exists(target)) {
      if (MoveFileExA(replacement, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
      *error = GetLastError();
      return false;
    }
    if (ReplaceFileA(target, replacement, backup, 0, nullptr, nullptr)) return true;
    *error = GetLastError();
    // Here the old file already stands under the backup name: put it back.
    if (*error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)
      MoveFileExA(backup, target, MOVEFILE_WRITE_THROUGH);
    return false;
  }

  bool Delete(const char* path) noexcept override { return DeleteFileA(path) != 0; }
};

}  // namespace

FileSystem& PlatformFileSystem() noexcept {
  static Win32FileSystem files;
  return files;
}
