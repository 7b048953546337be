#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace pindle {
namespace {

// What is left to read of an open file; nothing when a read fails or the file passes `limit`.
std::optional<Bytes> ReadRest(int fd, size_t limit, size_t expected) {
  Bytes content;
  content.reserve(expected);
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) return content;
    if (content.size() + static_cast<size_t>(n) > limit) return std::nullopt;
    content.append(buffer, static_cast<size_t>(n));
  }
}

}  // namespace

std::optional<Bytes> ReadWholeFile(const Text& path, size_t limit) {
  // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come; what is not a
  // regular file is refused before anything is read.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<unsigned long long>(st.st_size) > limit) {
    ::close(fd);
    return std::nullopt;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::optional<Bytes> content = ReadRest(fd, limit, static_cast<size_t>(st.st_size));
  ::close(fd);
  return content;
}

namespace {

Text DirectoryOf(const Text& path) {
  const auto slash = path.rfind('/');
  return slash == Text::npos ? Text(".") : (slash == 0 ? Text("/") : path.substr(0, slash));
}

// The file a path finally names, following symbolic links (also one whose target is missing,
// which the write then creates). A loop of links is left as it is and fails later.
Text FollowLinks(const Text& path) {
  Text current = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(current.c_str(), buffer, sizeof buffer - 1);
    if (n <= 0) return current;
    const Text target(buffer, static_cast<size_t>(n));
    current = target.front() == '/' ? target : DirectoryOf(current) + "/" + target;
  }
  return current;
}

bool InGroup(gid_t gid) {
  if (::getegid() == gid) return true;
  gid_t groups[256];
  const int n = ::getgroups(256, groups);
  for (int i = 0; i < n; ++i)
    if (groups[i] == gid) return true;
  return false;
}

// Whether the permission bits let us write, read the way Windows reads its read-only attribute:
// the bits decide even for root (who counts as the owner), since the kernel would let root
// write anything and a file the user marked read-only must stay as it is.
bool ModeAllowsWrite(const struct stat& st) {
  const uid_t uid = ::geteuid();
  if (uid == 0 || uid == st.st_uid) return (st.st_mode & S_IWUSR) != 0;
  if (InGroup(st.st_gid)) return (st.st_mode & S_IWGRP) != 0;
  return (st.st_mode & S_IWOTH) != 0;
}

bool WriteAll(int fd, std::string_view content) {
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return ::fsync(fd) == 0;
}

bool WriteAllAt(int fd, std::string_view content) {
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::pwrite(fd, content.data() + done, content.size() - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Where no file can be created beside it, the file itself is rewritten: a torn file after a
// crash is possible there, but that is the only way to keep the change at all. A full disk must
// not tear it: the new size is reserved before a byte changes, and a write that still fails puts
// the old content back.
bool WriteInPlace(const Text& path, std::string_view content) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  const std::optional<Bytes> kept = ReadRest(fd, SIZE_MAX, 0);
  if (!kept) {
    ::close(fd);
    return false;
  }
  const Bytes& old = *kept;
  if (content.size() > old.size() && ::posix_fallocate(fd, 0, static_cast<off_t>(content.size())) != 0) {
    ::close(fd);
    return false;
  }
  bool ok = WriteAllAt(fd, content) && ::ftruncate(fd, static_cast<off_t>(content.size())) == 0 && ::fsync(fd) == 0;
  if (!ok) {
    // The old bytes fit where they stood; the file keeps its old length.
    WriteAllAt(fd, old);
    if (::ftruncate(fd, static_cast<off_t>(old.size())) != 0) {
      // Nothing more can be done; the caller hears that the write failed.
    }
    ::fsync(fd);
  }
  if (::close(fd) != 0) ok = false;
  return ok;
}

}  // namespace

bool WritesOutside(const Text& path, const Text& dir) {
  const Text target = FollowLinks(path);
  if (target == path) return false;
  char* targetDir = ::realpath(DirectoryOf(target).c_str(), nullptr);
  char* home = ::realpath(dir.c_str(), nullptr);
  bool outside = true;
  if (targetDir != nullptr && home != nullptr) {
    const Text a(targetDir), b(home);
    outside = !(a == b || a.starts_with(b + "/"));
  }
  std::free(targetDir);
  std::free(home);
  return outside;
}

bool WriteFileAtomically(const Text& path, std::string_view content) {
  static std::atomic<unsigned> counter{0};
  // Through a symbolic link: the link stays and its target gets the new content.
  const Text target = FollowLinks(path);
  struct stat old {};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  if (exists && (!S_ISREG(old.st_mode) || !ModeAllowsWrite(old))) return false;
  const Text dir = DirectoryOf(target);
  struct stat dirStat {};
  if (::stat(dir.c_str(), &dirStat) != 0) return false;
  if (!ModeAllowsWrite(dirStat)) return exists && WriteInPlace(target, content);

  const Text temp = target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    if (exists && (errno == EACCES || errno == EPERM || errno == EROFS)) return WriteInPlace(target, content);
    return false;
  }
  if (exists) {
    // The replacement keeps the permission bits and, where we may, the owner of the file it replaces.
    ::fchmod(fd, old.st_mode & 07777);
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
      // Not allowed for another owner: the bits alone are kept.
    }
  }
  bool ok = WriteAll(fd, content);
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) ok = false;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  // Make the rename itself durable.
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

std::optional<FileStamp> StampOf(const Text& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return std::nullopt;
  const auto ns = [](const timespec& t) { return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec; };
  return FileStamp{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                   static_cast<std::uint64_t>(st.st_size), ns(st.st_mtim), ns(st.st_ctim)};
}

bool FileExists(const Text& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const Text& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool RemoveFile(const Text& path) { return ::unlink(path.c_str()) == 0; }

bool MakeDirectories(const Text& path) {
  if (path.empty()) return false;
  Text partial;
  size_t pos = 0;
  while (pos <= path.size()) {
    const size_t next = path.find('/', pos);
    partial = path.substr(0, next == Text::npos ? path.size() : next);
    if (!partial.empty() && !DirectoryExists(partial)) {
      if (::mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    if (next == Text::npos) break;
    pos = next + 1;
  }
  return DirectoryExists(path);
}

std::vector<Text> ListFileNames(const Text& dir, std::string_view suffix) {
  std::vector<Text> names;
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (d == nullptr) return names;
  while (const dirent* e = ::readdir(d)) {
    const std::string_view name(e->d_name);
    if (name.size() < suffix.size()) continue;
    bool match = true;
    for (size_t i = 0; i < suffix.size(); ++i) {
      char a = name[name.size() - suffix.size() + i];
      char b = suffix[i];
      if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
      if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
      if (a != b) {
        match = false;
        break;
      }
    }
    if (!match) continue;
    Text full = dir;
    if (!full.empty() && full.back() != '/') full.push_back('/');
    full.append(name);
    if (!FileExists(full)) continue;
    names.emplace_back(name);
  }
  ::closedir(d);
  // Linux hands names out in no useful order; Windows' file system keeps them sorted with letters
  // compared as upper case, and the list and the default choice should not differ from it.
  const auto key = [](std::string_view name) {
    std::string folded(name);
    for (char& c : folded)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return folded;
  };
  std::sort(names.begin(), names.end(), [&](const Text& a, const Text& b) {
    const std::string ka = key(a), kb = key(b);
    return ka != kb ? ka < kb : a < b;
  });
  return names;
}

Text ProgramDirectory() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return ".";
  Text path(buffer, static_cast<size_t>(n));
  const auto slash = path.rfind('/');
  if (slash == Text::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace pindle
