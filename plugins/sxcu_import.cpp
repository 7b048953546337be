#include "plugins/sxcu_import.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <set>

#include "json/json_parse.h"
#include "json/json_path.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "plugins/plugin_definition.h"
#include "plugins/plugin_file_namer.h"
#include "plugins/plugin_file_writer.h"
#include "text/local_time.h"
#include "text/percent_encoding.h"
#include "text/text_utils.h"
#include "web/link_check.h"
#include "web/url_helpers.h"

namespace pindle {
namespace {

// A template split into plain text and syntax items ({name:argument} or $name:argument$).
struct Piece {
  bool syntax = false;
  Text text;  // the plain text, or the whole item as written
  Text name;  // lower-case
  Text argument;
};

bool StartsWithIgnoreCase(const Text& text, std::string_view start) {
  return EqualsIgnoreAsciiCase(text.substr(0, start.size()), start);
}
bool EndsWith(const Text& text, std::string_view end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

void AddText(std::vector<Piece>& pieces, char c) {
  if (pieces.empty() || pieces.back().syntax) pieces.push_back({});
  pieces.back().text.push_back(c);
}

Piece SyntaxPiece(const Text& written, const Text& inside) {
  Piece p;
  p.syntax = true;
  p.text = written;
  const auto colon = inside.find(':');
  p.name = ToLowerAscii(inside.substr(0, colon));
  if (colon != Text::npos) p.argument = inside.substr(colon + 1);
  return p;
}

// Current syntax: a backslash escapes the next brace, bar or backslash; braces inside an item
// nest, so an expression such as \d{3} can stand in one.
std::vector<Piece> SplitCurrent(const Text& s) {
  std::vector<Piece> pieces;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '{' || s[i + 1] == '}' || s[i + 1] == '\\' || s[i + 1] == '|')) {
      AddText(pieces, s[++i]);
      continue;
    }
    if (c != '{' || i + 1 >= s.size() || !IsNameChar(s[i + 1])) {
      AddText(pieces, c);
      continue;
    }
    int depth = 0;
    std::size_t end = i;
    for (; end < s.size(); ++end) {
      if (s[end] == '\\') {
        ++end;
      } else if (s[end] == '{') {
        ++depth;
      } else if (s[end] == '}' && --depth == 0) {
        break;
      }
    }
    if (end >= s.size()) {
      AddText(pieces, c);
      continue;
    }
    pieces.push_back(SyntaxPiece(s.substr(i, end - i + 1), s.substr(i + 1, end - i - 1)));
    i = end;
  }
  return pieces;
}

// Older syntax: $name$ or $name:argument$; "$$" and a "$" that starts no name stay plain.
std::vector<Piece> SplitOlder(const Text& s) {
  std::vector<Piece> pieces;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto end = s[i] == '$' ? s.find('$', i + 1) : Text::npos;
    if (end == Text::npos || end == i + 1 || !IsNameChar(s[i + 1])) {
      AddText(pieces, s[i]);
      continue;
    }
    pieces.push_back(SyntaxPiece(s.substr(i, end - i + 1), s.substr(i + 1, end - i - 1)));
    i = end;
  }
  return pieces;
}

// Form and query encoding of plain text: unreserved characters stay, all else is %XX of UTF-8.
Text FormEncode(const Text& text) { return PercentEncodeBytes(text, PercentKeep::Unreserved); }

Text JsonString(const Json& value) {
  if (value.is_string()) return value.get<std::string>();
  if (value.is_null()) return {};
  return value.dump();
}

class Converter {
 public:
  Converter(const Json& file, bool older) : file_(file), older_(older) {}

  std::vector<Piece> split(const Text& s) const { return older_ ? SplitOlder(s) : SplitCurrent(s); }
  Text written(const char* name) const { return older_ ? "$" + Text(name) + "$" : "{" + Text(name) + "}"; }

  void problem(const Text& text) {
    for (const Text& p : problems_)
      if (p == text) return;
    problems_.push_back(text);
  }

  // A value of a parameter, argument, header or the JSON body: plain text and the long URL only.
  Text value(const Text& where, const Text& raw, Text (*plain)(const Text&), const Text& longUrl) {
    Text out;
    for (const Piece& p : split(raw)) {
      if (!p.syntax) {
        out += plain(p.text);
      } else if (p.name == "input" && !longUrl.empty()) {
        out += longUrl;
        usesInput_ = true;
      } else {
        problem(where + "里的 " + p.text + " 无法表达");
      }
    }
    return out;
  }

  // name=value pairs of an object, joined by "&". A key or token among them becomes a secret field.
  Text pairs(const char* key, const Text& longUrl) {
    Text out;
    const auto it = file_.find(key);
    if (it == file_.end() || !it->is_object()) return out;
    for (const auto& [name, v] : it->items()) {
      if (!out.empty()) out += "&";
      const Text raw = JsonString(v);
      if (IsSecretParameter(name) && IsPlain(raw)) {
        out += FormEncode(name) + "=" + secretField(name, raw);
        continue;
      }
      out += FormEncode(name) + "=" + value(Text(key) + " 的 " + name, raw, FormEncode, longUrl);
    }
    return out;
  }

  static bool IsSecretParameter(const Text& name) {
    const Text n = ToLowerAscii(name);
    return n == "key" || n == "token" || n == "signature" || n == "apikey" || n == "api_key" || n == "access_token" ||
           n == "api_token" || n == "apitoken";
  }
  static bool IsSecretHeader(const Text& name) {
    const Text n = ToLowerAscii(name);
    return n == "authorization" || n == "apikey" || n == "token" || Contains(n, "api-key") || Contains(n, "api_key") ||
           Contains(n, "-token") || Contains(n, "apikey");
  }
  // Text without any syntax item: a value the user typed in, such as a key.
  bool IsPlain(const Text& raw) const {
    for (const Piece& p : split(raw))
      if (p.syntax) return false;
    return true;
  }

  // A secret field for a key the file carries, and the placeholder that stands for it.
  Text secretField(const Text& name, const Text& value) {
    Text field;
    for (const char c : name) field.push_back(IsNameChar(c) || c == '-' ? c : '_');
    if (field.empty()) field = "Key";
    const Text base = field;
    for (int n = 2; fields_.contains(field); ++n) field = base + std::to_string(n);
    fields_.insert(field);
    Json declared = Json::object();
    declared["Name"] = field;
    declared["Label"] = name + "（来自 ShareX 文件）";
    declared["Secret"] = true;
    fieldList_.push_back(declared);
    secrets_.emplace_back(field, value);
    return "$Field:" + field + "$";
  }

  Text text(const char* key) const {
    const auto it = file_.find(key);
    return it == file_.end() ? Text() : JsonString(*it);
  }
  bool has(const char* key) const { return file_.contains(key); }

  // A JSON path as ShareX writes it ($.a.b, a[0].b) in the plug-in format's form.
  Text jsonPath(Text path) {
    if (path.rfind("$.", 0) == 0)
      path.erase(0, 2);
    else if (path.rfind("$", 0) == 0)
      path.erase(0, 1);
    if (path.empty() || ParseAccessors(path[0] == '[' ? path : "." + path)) return path;
    // Member names that are not identifiers go in brackets.
    Text out;
    for (const Text& part : Split(path, ".")) {
      const auto bracket = part.find('[');
      const Text name = part.substr(0, bracket);
      out += "['" + Replace(name, "'", "\\'") + "']";
      if (bracket != Text::npos) out += part.substr(bracket);
    }
    if (!ParseAccessors(out)) problem("JSON 路径 " + path + " 无法表达");
    return out;
  }

  // The expression of a regex item and the group it names, as Response.Pattern reads it.
  Text pattern(Text expression, Text group) {
    if (group.empty() || group == "0") return "(" + expression + ")";  // the whole match as group 1
    if (group != "1") problem("正则表达式取第 " + group + " 组，插件格式只取第 1 组");
    return expression;
  }

  void response(Json& r) {
    r["Type"] = "0";
    r["Parameter"] = "";
    r["Prefix"] = "";
    const Text rtype = text("ResponseType");
    if (!rtype.empty() && rtype != "Text") problem("应答类型 " + rtype + " 无法表达");
    const std::vector<Piece> pieces = split(text("URL"));
    Text before;
    const Piece* item = nullptr;
    for (const Piece& p : pieces) {
      if (!p.syntax && !item) {
        before += p.text;
      } else if (!p.syntax) {
        problem("结果模板 URL 在 " + item->text + " 后面还有文字");
      } else if (item) {
        problem("结果模板 URL 由多个部分拼成（" + item->text + "、" + p.text + "）");
      } else {
        item = &p;
      }
    }
    if (!item) {
      if (!before.empty()) problem("结果模板 URL 是固定文字，不取应答里的内容");
      return;  // ShareX takes the whole answer when URL is empty
    }
    // {json:{response}|path} names the answer explicitly; any other source cannot be read here.
    Piece read = *item;
    if (const auto bar = read.argument.find('|'); !read.argument.empty() && read.argument[0] == '{') {
      const Text source = bar == Text::npos ? read.argument : read.argument.substr(0, bar);
      if (EqualsIgnoreAsciiCase(source, "{response}") && bar != Text::npos) {
        read.argument = read.argument.substr(bar + 1);
      } else {
        problem("结果模板 " + item->text + " 从 " + source + " 读取，无法表达");
        return;
      }
    }
    item = &read;
    if (item->name == "response") {
      if (!before.empty()) r["ResultPrefix"] = before;
    } else if (item->name == "json") {
      r["Type"] = before.empty() ? "1" : "2";
      r["Parameter"] = jsonPath(item->argument);
      r["Prefix"] = before;
    } else if (item->name == "regex" || (older_ && !item->name.empty() && IsDigits(item->name))) {
      r["Type"] = kPatternResponseType;
      r["Pattern"] = older_ ? olderPattern(*item) : currentPattern(item->argument);
      if (!before.empty()) r["ResultPrefix"] = before;
    } else {
      problem("结果模板 URL 用了 " + item->text + "，无法表达");
    }
  }

  Text currentPattern(const Text& argument) {
    // The group stands behind the last bar that no backslash escapes.
    Text group;
    std::size_t end = argument.size();
    for (std::size_t i = argument.size(); i-- > 0;) {
      if (argument[i] != '|' || (i > 0 && argument[i - 1] == '\\')) continue;
      if (IsDigits(argument.substr(i + 1))) {
        group = argument.substr(i + 1);
        end = i;
      }
      break;
    }
    Text expression;
    for (std::size_t i = 0; i < end; ++i) {
      const bool escape = argument[i] == '\\' && i + 1 < end &&
                          (argument[i + 1] == '{' || argument[i + 1] == '}' || argument[i + 1] == '|');
      if (escape) ++i;
      expression.push_back(argument[i]);
    }
    return pattern(expression, group);
  }

  // $n$, $regex:n$, $regex:n,group$ or $regex:n|group$ over the file's RegexList (from 1).
  Text olderPattern(const Piece& item) {
    Text reference = item.name == "regex" ? item.argument : item.name;
    Text group;
    if (const auto sep = reference.find_first_of(",|"); sep != Text::npos) {
      group = reference.substr(sep + 1);
      reference = reference.substr(0, sep);
    }
    const auto list = file_.find("RegexList");
    const long long n = IsDigits(reference) ? ToInteger(reference) : 0;
    if (list == file_.end() || !list->is_array() || n < 1 || n > static_cast<long long>(list->size())) {
      problem("结果模板 " + item.text + " 指向不存在的 RegexList 项");
      return {};
    }
    return pattern(JsonString((*list)[static_cast<std::size_t>(n - 1)]), group);
  }

  static bool IsDigits(const Text& s) {
    if (s.empty()) return false;
    for (const char c : s)
      if (c < '0' || c > '9') return false;
    return true;
  }

  SxcuConversion convert() {
    SxcuConversion out;
    out.readable = true;
    const Text url = text("RequestURL");
    out.name = Trim(text("Name"));
    if (out.name.empty()) out.name = UrlHost(url);

    Text method = ToUpperAscii(text(older_ && !has("RequestMethod") ? "RequestType" : "RequestMethod"));
    if (method.empty()) method = "POST";
    if (method != "GET" && method != "POST") problem("请求方法 " + method + " 无法表达（只有 GET 和 POST）");
    if (!HasWebScheme(url)) problem("RequestURL " + Text(url.empty() ? "为空" : url) + " 不是 http(s) 地址");
    for (const Piece& p : split(url))
      if (p.syntax) problem("RequestURL 里的 " + p.text + " 无法表达");
    for (const char* key : {"ErrorMessage", "ThumbnailURL", "DeletionURL"})
      if (!text(key).empty()) out.dropped.push_back(key);
    if (!text("FileFormName").empty()) out.uploader = true;

    Text body = text("Body");
    if (body.empty() && older_) {
      // The older files send Arguments as the query of a GET and as a form otherwise.
      if (!text("FileFormName").empty())
        body = "MultipartFormData";
      else if (method != "GET" && has("Arguments"))
        body = "FormURLEncoded";
    }
    Json plugin = Json::object();
    Json api = Json::object();
    api["Type"] = method == "GET" ? "GET" : "POST";

    // The long URL reaches the service only through API.Data, so in a POST the address's own
    // parameters must be plain.
    const bool queryInData = method == "GET";
    Text query = pairs("Parameters", queryInData ? "$Url$" : "");
    if (older_ && method == "GET") {
      const Text arguments = pairs("Arguments", "$Url$");
      query += (!query.empty() && !arguments.empty() ? "&" : "") + arguments;
    }
    Text path = url;
    Text data;
    if (queryInData) {
      if (!query.empty()) path += Contains(url, "?") ? (EndsWith(url, "?") || EndsWith(url, "&") ? "" : "&") : "?";
      data = query;
    } else if (!query.empty()) {
      path += (Contains(url, "?") ? "&" : "?") + query;
    }
    if (body == "" || body == "None") {
    } else if (body == "FormURLEncoded") {
      if (method == "GET") problem("GET 请求带表单正文，无法表达");
      data = pairs("Arguments", "$Url$");
      api["BodyType"] = "form";
    } else if (body == "JSON") {
      if (method == "GET") problem("GET 请求带 JSON 正文，无法表达");
      data = value(
          "Data", text("Data"), [](const Text& t) { return t; }, "$RawUrl$");
      api["BodyType"] = "json";
    } else if (body == "MultipartFormData") {
      // Text fields only: a file part is what an uploader sends, which shortens nothing.
      if (method == "GET") problem("GET 请求带 multipart 正文，无法表达");
      data = pairs("Arguments", "$Url$");
      api["BodyType"] = "multipart";
    } else {
      problem("正文类型 " + body + " 无法表达");
    }
    api["API Path"] = path;
    api["Data"] = data;
    Text headers;
    if (const auto it = file_.find("Headers"); it != file_.end() && it->is_object()) {
      for (const auto& [name, v] : it->items()) {
        Text raw = JsonString(v);
        Text line = name + ": ";
        if (IsSecretHeader(name) && IsPlain(raw) && !Trim(raw).empty()) {
          // The scheme word of "Bearer …" stays in the header; the key behind it is the secret.
          for (const char* scheme : {"Bearer ", "Token ", "Basic ", "Bot "})
            if (StartsWithIgnoreCase(raw, scheme)) {
              line += raw.substr(0, std::string_view(scheme).size());
              raw = raw.substr(std::string_view(scheme).size());
              break;
            }
          line += secretField(name, Trim(raw));
        } else {
          line += value(
              "Headers 的 " + name, raw, [](const Text& t) { return t; }, "");
        }
        headers += (headers.empty() ? "" : "\r\n") + line;
      }
    }
    api["Headers"] = headers;
    if (!usesInput_) problem("没有一处用到 " + written("input") + "，长网址到不了服务");

    Json response = Json::object();
    this->response(response);

    plugin["Name"] = out.name;
    plugin["Deploy"] = "false";
    plugin["Version"] = "1.0";
    plugin["Author"] = "ShareX 导入";
    plugin["Updated"] = Today();
    plugin["UpdateURL"] = "";
    plugin[kPluginEncodingKey] = "UTF-8";
    if (!fieldList_.empty()) plugin[kPluginFieldsKey] = fieldList_;
    plugin["API"] = api;
    plugin["Response"] = response;
    out.pluginJson = plugin.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
    out.problems = problems_;
    out.secrets = secrets_;
    return out;
  }

  static Text Today() { return LocalTimeText(NowUnixTime(), "%Y-%m-%d"); }

 private:
  const Json& file_;
  bool older_;
  bool usesInput_ = false;
  std::vector<Text> problems_;
  std::set<Text> fields_;
  Json fieldList_ = Json::array();
  std::vector<std::pair<Text, Text>> secrets_;
};

// The older generation names its method "RequestType" or writes its items between dollars.
bool UsesOlderSyntax(const Json& file, const Text& text) {
  if (file.contains("RequestType") && !file.contains("RequestMethod")) return true;
  for (const char* item : {"$input$", "$response$", "$json:", "$regex", "$xml:", "$header:", "$prompt", "$random",
                           "$select", "$filename$"})
    if (Contains(text, item, true)) return true;
  return false;
}

}  // namespace

bool IsSxcuPath(const Text& path) { return EndsWith(ToLowerAscii(path), ".sxcu"); }

SxcuConversion ConvertSxcu(const Text& text) {
  const auto parsed = ParseJsonText(text);
  if (!parsed || !parsed->value.is_object()) return {};
  Converter converter(parsed->value, UsesOlderSyntax(parsed->value, text));
  return converter.convert();
}

SxcuImport ImportSxcuFile(const Text& path, const Text& plugDir, bool force) {
  SxcuImport result;
  result.source = path;
  const auto bytes = ReadWholeFile(path, 1u << 20);
  if (!bytes) {
    result.error = "读不到文件";
    return result;
  }
  const SxcuConversion conversion = ConvertSxcu(DecodeLocalText(*bytes));
  if (!conversion.readable) {
    result.error = "不是 ShareX 自定义上传器文件（JSON 对象）";
    return result;
  }
  result.name = conversion.name;
  result.problems = conversion.problems;
  result.dropped = conversion.dropped;
  if (conversion.uploader) {
    result.error = "上传文件或图片的上传器，不能用来缩短网址";
    return result;
  }
  if (!conversion.problems.empty() && !force) {
    result.error = "有无法表达的内容，没有写入";
    return result;
  }
  const Text target = PluginFilePath(plugDir, conversion.name, "sharex");
  const Text dir = target.substr(0, target.rfind('/'));
  if (!force) {
    if (FileExists(target)) {
      result.error = "插件文件 " + target + " 已经存在，没有覆盖";
      result.clash = true;
      return result;
    }
    // Two plug-ins of one name: the list would offer only the first.
    for (const Text& file : ListFileNames(plugDir, ".json")) {
      const Text other = PluginDefinition::FromFile(dir + "/" + file).name();
      if (EqualsIgnoreAsciiCase(other, conversion.name)) {
        result.error = "已有插件叫“" + other + "”（" + file + "），没有写入";
        result.clash = true;
        return result;
      }
    }
  }
  // Plug-in files are code page 936 by custom; what it cannot hold goes as UTF-8 with a mark.
  if (!MakeDirectories(dir) || !WritePluginFile(target, conversion.pluginJson, PluginFileEncoding::Gbk)) {
    result.error = "写不进 " + target;
    return result;
  }
  result.written = target;
  result.secrets = conversion.secrets;
  return result;
}

Text DescribeImport(const SxcuImport& import) {
  Text line = FileNameOfPath(import.source);
  if (import.ok())
    line += " → " + import.written + "（插件“" + import.name + "”）";
  else
    line += "：" + import.error;
  if (!import.problems.empty()) line += "；无法表达：" + Join(import.problems, "；");
  if (!import.dropped.empty()) line += "；没有带过来：" + Join(import.dropped, "、");
  return line;
}

}  // namespace pindle
