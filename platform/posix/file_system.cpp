#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/file_systems.h"

struct FileHandle {
  int fd;
};

namespace {

constexpr size_t kPathSize = 260;
constexpr int64_t kUnixEpochAsFileTime = 116444736000000000;  // 1601 to 1970, 100 ns units

uint64_t FileTimeOf(const struct stat& st) noexcept {
  const int64_t ticks = static_cast<int64_t>(st.st_mtim.tv_sec) * 10000000 + st.st_mtim.tv_nsec / 100;
  return static_cast<uint64_t>(ticks + kUnixEpochAsFileTime);
}

uint32_t LastError() noexcept { return static_cast<uint32_t>(errno); }

FileHandle* Wrap(int fd) noexcept {
  if (fd < 0) return nullptr;
  auto* file = new (std::nothrow) FileHandle{fd};
  if (!file) close(fd);
  return file;
}

// "folder/" of a path, or "" for a bare name; false when `name` does not fit after it.
bool NameBeside(const char* path, const char* name, char* out) noexcept {
  const char* slash = std::strrchr(path, '/');  // 0x2F is never a trail byte
  const size_t folder = slash ? static_cast<size_t>(slash - path) + 1 : 0;
  if (folder + std::strlen(name) + 1 > kPathSize) return false;
  std::memcpy(out, path, folder);
  std::strcpy(out + folder, name);
  return true;
}

// Mode for a new word file: the old file's, else what the umask leaves of 0666.
mode_t NewFileMode(const char* target) noexcept {
  struct stat st;
  if (stat(target, &st) == 0) return st.st_mode & 07777;
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// Makes the renames in a folder last; failures here lose nothing already done.
void SyncFolderOf(const char* path) noexcept {
  char folder[kPathSize];
  if (!NameBeside(path, ".", folder)) return;
  const int fd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// A second, unused name for the file at `path`, in its folder.
bool HoldUnderNewName(const char* path, char* held) noexcept {
  for (int attempt = 0; attempt < 16; ++attempt) {
    if (!NameBeside(path, ".velmark-old-XXXXXX", held)) {
      errno = ENAMETOOLONG;
      return false;
    }
    const int fd = mkostemp(held, O_CLOEXEC);  // reserves a unique name
    if (fd < 0) return false;
    close(fd);
    unlink(held);
    if (link(path, held) == 0) return true;
    if (errno != EEXIST) return false;
  }
  return false;
}

struct PosixFileSystem final : FileSystem {
  FileHandle* OpenForRead(const char* path) noexcept override {
    return Wrap(open(path, O_RDONLY | O_CREAT | O_CLOEXEC, 0666));
  }

  bool LastWriteTime(FileHandle* file, uint64_t* time) noexcept override {
    struct stat st;
    if (fstat(file->fd, &st) != 0) return false;
    *time = FileTimeOf(st);
    return true;
  }

  bool Size(FileHandle* file, uint32_t* size) noexcept override {
    struct stat st;
    if (fstat(file->fd, &st) != 0 || st.st_size < 0 || st.st_size > INT64_C(0xFFFFFFFF)) return false;
    *size = static_cast<uint32_t>(st.st_size);
    return true;
  }

  bool Read(FileHandle* file, void* buffer, uint32_t count) noexcept override {
    auto* at = static_cast<unsigned char*>(buffer);
    for (uint32_t done = 0; done < count;) {
      const ssize_t n = read(file->fd, at + done, count - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<uint32_t>(n);
    }
    return true;
  }

  void Close(FileHandle* file) noexcept override {
    if (!file) return;
    close(file->fd);
    delete file;
  }

  bool FindLastWriteTime(const char* path, uint64_t* time) noexcept override {
    struct stat st;
    if (stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    *time = FileTimeOf(st);
    return true;
  }

  FileHandle* CreateTemporary(const char* besidePath, char* tempPath, uint32_t* error) noexcept override {
    if (!NameBeside(besidePath, ".velmark-new-XXXXXX", tempPath)) {
      *error = ENAMETOOLONG;
      return nullptr;
    }
    const int fd = mkostemp(tempPath, O_CLOEXEC);
    if (fd < 0) {
      *error = LastError();
      return nullptr;
    }
    fchmod(fd, NewFileMode(besidePath));
    FileHandle* file = Wrap(fd);
    if (!file) {
      *error = ENOMEM;
      unlink(tempPath);
    }
    return file;
  }

  bool Write(FileHandle* file, const void* data, uint32_t count, uint32_t* error) noexcept override {
    const auto* at = static_cast<const unsigned char*>(data);
    for (uint32_t done = 0; done < count;) {
      const ssize_t n = write(file->fd, at + done, count - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        *error = n < 0 ? LastError() : ENOSPC;
        return false;
      }
      done += static_cast<uint32_t>(n);
    }
    return true;
  }

  bool Flush(FileHandle* file, uint32_t* error) noexcept override {
    if (fsync(file->fd) == 0) return true;
    *error = LastError();
    return false;
  }

  // The target names a whole file at every moment: the old file is first
  // given a second name, the new one is renamed over the target, and only
  // then does the second name replace the backup.
  bool Replace(const char* target, const char* replacement, const char* backup,
               uint32_t* error) noexcept override {
    struct stat st;
    if (lstat(target, &st) != 0) {
      if (errno != ENOENT || rename(replacement, target) != 0) {
        *error = LastError();
        return false;
      }
      SyncFolderOf(target);
      return true;
    }
    char held[kPathSize];
    if (!HoldUnderNewName(target, held)) {
      *error = LastError();
      return false;
    }
    if (rename(replacement, target) != 0) {
      *error = LastError();
      unlink(held);
      return false;
    }
    if (rename(held, backup) != 0) {
      *error = LastError();
      if (rename(held, target) != 0) unlink(held);  // the old file back, else keep the new
      return false;
    }
    SyncFolderOf(target);
    return true;
  }

  bool Delete(const char* path) noexcept override { return unlink(path) == 0; }
};

}  // namespace

FileSystem& PlatformFileSystem() noexcept {
  static PosixFileSystem files;
  return files;
}
