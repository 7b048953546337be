#include "config/plugin_config_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "config/plugin_field.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/ini_profile.h"

namespace pindle {
namespace {

Text systemError() { return std::strerror(errno); }

}  // namespace

PluginConfigFile::PluginConfigFile(const Text& deployDir, const Text& pluginName, const Text& section)
    : deployDir_(deployDir), section_(Utf8ToGbk(section)) {
  problem_ = PluginNameProblem(pluginName);
  if (problem_.empty() && deployDir.empty()) problem_ = "没有配置目录";
  if (!problem_.empty()) return;
  path_ = deployDir + (deployDir.back() == '/' ? "" : "/") + pluginName + ".ini";
}

std::optional<Text> PluginConfigFile::read(const Text& key) const {
  if (!problem_.empty() || !FieldNameProblem(key).empty()) return std::nullopt;
  const auto stored = FindProfileString(path_, section_, Utf8ToGbk(key));
  if (!stored) return std::nullopt;
  return GbkToUtf8Text(*stored);
}

Text PluginConfigFile::write(const Text& key, const Text& value, bool ownerOnly) {
  if (!problem_.empty()) return problem_;
  if (Text p = FieldNameProblem(key); !p.empty()) return p;
  if (Text p = FieldValueProblem(value); !p.empty()) return p;
  const Bytes stored = Utf8ToGbk(value);
  // Written as '?' it would come back as another value.
  if (GbkToUtf8Text(stored) != value) return "值里有 GBK 写不出的字符，配置文件存不下";
  if (!MakeDirectories(deployDir_)) return "无法建立目录 " + deployDir_ + "：" + systemError();
  if (ownerOnly) {
    if (Text p = makeOwnerOnly(); !p.empty()) return p;
  }
  if (!WriteProfileString(path_, section_, Utf8ToGbk(key), QuoteProfileValue(stored))) return "无法写入 " + path_;
  return {};
}

Text PluginConfigFile::remove(const Text& key) {
  if (!problem_.empty()) return problem_;
  if (Text p = FieldNameProblem(key); !p.empty()) return p;
  if (!RemoveProfileString(path_, section_, Utf8ToGbk(key))) return "无法写入 " + path_;
  return {};
}

bool PluginConfigFile::exists() const { return problem_.empty() && FileExists(path_); }

bool PluginConfigFile::ownerOnly() const {
  struct stat st {};
  return problem_.empty() && ::stat(path_.c_str(), &st) == 0 && (st.st_mode & 077) == 0;
}

Text PluginConfigFile::makeOwnerOnly() {
  // The file gets its mode before the secret goes in; rewrites keep the mode of the file they replace.
  if (FileExists(path_)) {
    if (::chmod(path_.c_str(), 0600) != 0) return "无法把 " + path_ + " 设为只有本人可读：" + systemError();
  } else {
    const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return "无法建立 " + path_ + "：" + systemError();
    ::close(fd);
  }
  if (!ownerOnly()) return "无法把 " + path_ + " 设为只有本人可读";
  return {};
}

}  // namespace pindle
