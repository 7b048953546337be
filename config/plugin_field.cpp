#include "config/plugin_field.h"

#include "platform/codepage.h"
#include "text/shell_word.h"

namespace pindle {
namespace {

bool hasControl(const Text& s) {
  for (const char c : s)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
  return false;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The rules an INI key and a file name share.
Text commonNameProblem(const Text& name) {
  if (name.empty()) return "名称是空的";
  if (!IsWellFormedUtf8(name)) return "名称不是有效的 UTF-8 文字";
  if (hasControl(name)) return "名称里有换行或控制字符";
  if (isBlank(name.front()) || isBlank(name.back())) return "名称前后有空格";
  if (name.find('=') != Text::npos) return "名称里有 =";
  if (name.front() == ';' || name.front() == '[') return "名称以 ; 或 [ 开头";
  return {};
}

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

Text folded(const Text& s) {
  Text out = s;
  for (char& c : out) c = foldAscii(c);
  return out;
}

}  // namespace

Text PluginNameProblem(const Text& name) {
  if (Text p = commonNameProblem(name); !p.empty()) return p;
  // '\' too: on Windows it would put the file into another folder.
  if (name.find_first_of("/\\") != Text::npos) return "名称里有 / 或 \\";
  if (name.find("..") != Text::npos) return "名称里有 ..";
  if (name.size() + 4 > 255) return "名称太长，文件名最多 255 字节";
  return {};
}

Text FieldNameProblem(const Text& name) {
  if (Text p = commonNameProblem(name); !p.empty()) return p;
  if (name.find('$') != Text::npos) return "名称里有 $";
  // The key is written into a code page 936 file; a character it cannot hold would become '?'.
  if (GbkToUtf8Text(Utf8ToGbk(name)) != name) return "名称里有 GBK 写不出的字符";
  return {};
}

Text FieldListProblem(const std::vector<PluginField>& fields) {
  for (size_t i = 0; i < fields.size(); ++i) {
    if (Text p = FieldNameProblem(fields[i].name); !p.empty()) return "字段“" + fields[i].name + "”：" + p;
    for (size_t j = 0; j < i; ++j)
      if (folded(fields[j].name) == folded(fields[i].name))
        return "字段“" + fields[j].name + "”和“" + fields[i].name + "”在配置文件里是同一个键";
  }
  return {};
}

Text FieldValueProblem(const Text& value) {
  if (value.find_first_of(Text("\r\n\0", 3)) != Text::npos) return "值里有换行";
  if (!IsWellFormedUtf8(value)) return "值不是有效的 UTF-8 文字";
  return {};
}

const PluginField* FirstMissingField(const std::vector<PluginField>& used, const std::map<Text, Text>& values) {
  for (const PluginField& f : used) {
    const auto it = values.find(f.name);
    if (it == values.end() || it->second.empty()) return &f;
  }
  return nullptr;
}

Text SetFieldCommand(const Text& pluginName, const Text& fieldName) {
  return "pindle config " + ShellWord(pluginName) + " " + ShellWord(fieldName) + "=…";
}

Text MissingFieldReason(const Text& pluginName, const PluginField& field, ValueSetting way) {
  const Text how =
      way == ValueSetting::Window ? Text("在插件页右键该插件，选“修改配置”") : SetFieldCommand(pluginName, field.name);
  return "缺少配置：" + field.shownLabel() + "（" + how + "）";
}

Text TrustCommand(const Text& pluginName) { return "pindle config " + ShellWord(pluginName) + " --trust"; }

namespace {
constexpr const char* kKeyMovedMiddle = "，密钥没有发送；确认后再用：";
}  // namespace

Text KeyMovedReason(const Text& pluginName, const Text& from, const Text& to) {
  return pluginName + " 的地址已从 " + from + " 改为 " + to + kKeyMovedMiddle + TrustCommand(pluginName);
}

}  // namespace pindle
