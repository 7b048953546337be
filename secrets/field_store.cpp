#include "secrets/field_store.h"

#include "text/secret_mask.h"
#include "text/text_utils.h"

namespace pindle {
namespace {

constexpr const char* kInSecretStore = "密钥服务（Secret Service）";

}  // namespace

FieldStore::FieldStore(const Text& deployDir, const Text& pluginName, std::vector<PluginField> fields,
                       const SecretService& secrets)
    : pluginName_(pluginName),
      fields_(std::move(fields)),
      secrets_(secrets),
      file_(deployDir, pluginName),
      origins_(deployDir, pluginName, kSecretOriginsSection) {
  if (!file_.problem().empty())
    problem_ = "插件名称不能用作配置文件名：" + file_.problem();
  else if (Text p = FieldListProblem(fields_); !p.empty())
    problem_ = p;
}

const PluginField* FieldStore::declared(const Text& field) const {
  for (const PluginField& f : fields_)
    if (f.name == field) return &f;
  return nullptr;
}

Text FieldStore::secretKey(const PluginField& field) const { return pluginName_ + "/" + field.name; }

FieldReading FieldStore::readDeclared(const PluginField& field, const Text& storeReason) const {
  FieldReading r;
  r.declared = field;
  if (!problem_.empty()) {
    r.problem = problem_;
    return r;
  }
  if (field.secret && storeReason.empty()) {
    const SecretLookup found = secrets_.read(secretKey(field));
    if (found.found) {
      r.value = found.value;
      r.source = FieldSource::SecretService;
      return r;
    }
    r.problem = found.error;
  }
  if (auto stored = file_.read(field.name)) {
    r.value = *stored;
    r.source = field.secret ? FieldSource::PlainFile : FieldSource::ConfigFile;
    r.problem.clear();
    return r;
  }
  if (!r.problem.empty()) return r;
  r.value = field.defaultValue;
  r.source = field.defaultValue.empty() ? FieldSource::Unset : FieldSource::Default;
  return r;
}

Text FieldStore::storeReason(const PluginField* field) const {
  bool anySecret = false;
  for (const PluginField& f : fields_) anySecret = anySecret || (f.secret && (!field || field == &f));
  return anySecret ? secrets_.unavailableReason() : Text();
}

FieldReading FieldStore::read(const Text& field) const {
  const PluginField* f = declared(field);
  if (!f) {
    FieldReading r;
    r.declared.name = field;
    r.problem = "插件没有字段“" + field + "”";
    return r;
  }
  return readDeclared(*f, storeReason(f));
}

std::vector<FieldReading> FieldStore::readAll() const {
  const Text reason = storeReason(nullptr);
  std::vector<FieldReading> out;
  for (const PluginField& f : fields_) out.push_back(readDeclared(f, reason));
  return out;
}

std::vector<ListedField> FieldStore::list() const {
  std::vector<ListedField> out;
  for (const FieldReading& r : readAll()) {
    ListedField l;
    l.declared = r.declared;
    l.shown = r.declared.secret && !r.value.empty() ? Text(kSecretMask) : r.value;
    switch (r.source) {
      case FieldSource::Unset:
        l.where = r.problem.empty() ? "未设置" : "读取失败：" + r.problem;
        break;
      case FieldSource::Default:
        l.where = "默认值";
        break;
      case FieldSource::ConfigFile:
        l.where = file_.path();
        break;
      case FieldSource::SecretService:
        l.where = kInSecretStore;
        break;
      case FieldSource::PlainFile:
        l.where = file_.path() + "（明文）";
        break;
    }
    if (r.source == FieldSource::SecretService || r.source == FieldSource::PlainFile) {
      Text where;
      for (const Text& origin : boundOrigins(r.declared.name)) where += (where.empty() ? "" : "、") + origin;
      if (!where.empty()) l.where += "；只发往 " + where;
    }
    out.push_back(std::move(l));
  }
  return out;
}

std::vector<Text> FieldStore::secretValues() const {
  std::vector<Text> out;
  for (const FieldReading& r : readAll())
    if (r.declared.secret && !r.value.empty()) out.push_back(r.value);
  return out;
}

StoreOutcome FieldStore::set(const Text& field, const Text& value, bool plainConfirmed) {
  if (!problem_.empty()) return {.message = problem_};
  const PluginField* f = declared(field);
  if (!f) return {.message = "插件没有字段“" + field + "”"};
  if (Text p = FieldValueProblem(value); !p.empty()) return {.message = f->shownLabel() + "：" + p};
  if (f->secret) return setSecret(*f, value, plainConfirmed);
  if (Text p = file_.write(f->name, value); !p.empty()) return {.message = f->shownLabel() + "：" + p};
  return {.ok = true, .message = f->shownLabel() + " 已保存到 " + file_.path()};
}

StoreOutcome FieldStore::setSecret(const PluginField& field, const Text& value, bool plainConfirmed) {
  StoreOutcome out = storeSecret(field, value, plainConfirmed);
  // The old value's binding does not tell where the new one was given.
  if (out.ok && origins_.read(field.name)) origins_.remove(field.name);
  return out;
}

StoreOutcome FieldStore::storeSecret(const PluginField& field, const Text& value, bool plainConfirmed) {
  Text reason = secrets_.unavailableReason();
  if (reason.empty()) reason = secrets_.write(secretKey(field), value);
  if (reason.empty()) {
    StoreOutcome out{.ok = true, .message = field.shownLabel() + " 已保存到" + kInSecretStore};
    // A plain copy from a time without a secret store would otherwise outlive the new value.
    if (file_.read(field.name)) {
      if (Text p = file_.remove(field.name); !p.empty())
        out.message += "；旧的明文副本没能从 " + file_.path() + " 删除：" + p;
      else
        out.message += "；旧的明文副本已从 " + file_.path() + " 删除";
    }
    return out;
  }
  if (!plainConfirmed) return {.message = reason, .needsPlainConfirmation = true};
  if (Text p = file_.write(field.name, value, /*ownerOnly=*/true); !p.empty())
    return {.message = field.shownLabel() + "：" + p};
  return {.ok = true,
          .message = reason + "；" + field.shownLabel() + " 已明文保存到 " + file_.path() + "（只有本人可读）"};
}

StoreOutcome FieldStore::unset(const Text& field) {
  if (!problem_.empty()) return {.message = problem_};
  const PluginField* f = declared(field);
  if (!f) return {.message = "插件没有字段“" + field + "”"};
  Text note;
  bool storeFailed = false;
  if (f->secret) {
    if (const Text reason = secrets_.unavailableReason(); !reason.empty()) {
      note = "；" + reason + "，其中若还有这个值，要在那里删除";
    } else if (Text p = secrets_.remove(secretKey(*f)); !p.empty()) {
      note = "；" + p;
      storeFailed = true;
    }
  }
  if (Text p = file_.remove(f->name); !p.empty()) return {.message = f->shownLabel() + "：" + p + note};
  if (f->secret && !storeFailed && origins_.read(f->name)) origins_.remove(f->name);
  return {.ok = !storeFailed, .message = f->shownLabel() + " 已删除" + note};
}

std::vector<Text> FieldStore::boundOrigins(const Text& field) const {
  std::vector<Text> origins;
  if (!problem_.empty()) return origins;
  for (const Text& origin : Split(origins_.read(field).value_or(""), " "))
    if (!origin.empty()) origins.push_back(origin);
  return origins;
}

Text FieldStore::bind(const Text& field, const std::vector<Text>& origins) {
  if (!problem_.empty()) return problem_;
  Text joined;
  for (const Text& origin : origins) joined += (joined.empty() ? "" : " ") + origin;
  // The file may hold a plain secret: its mode stays its owner's alone.
  return origins_.write(field, joined, file_.ownerOnly());
}

}  // namespace pindle
