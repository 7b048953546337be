#include "secrets/field_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <clocale>
#include <thread>

#include "platform/codepage.h"
#include "tests/secrets/secrets_test_session.h"
#include "tests/support/temp_dir.h"
#include "text/secret_mask.h"

namespace pindle {
namespace {

using test::WithKeyring;
using test::WithLockedKeyring;
using test::WithoutSecretService;

const std::vector<PluginField> kFields = {
    {"Key", "API 密钥", true, ""},
    {"Domain", "域名", false, "s.example"},
};

int modeOf(const Text& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 0777) : -1;
}

// The listing in one line: name=shown@where, with the configuration file's path as FILE.
Text listing(const FieldStore& store) {
  Text out;
  for (const ListedField& f : store.list()) {
    Text where = f.where;
    if (where.rfind(store.configPath(), 0) == 0) where = "FILE" + where.substr(store.configPath().size());
    out += (out.empty() ? "" : " ") + f.declared.name + "=" + f.shown + "@" + where;
  }
  return out;
}

struct Step {
  const char* op;  // "set", "set-plain", "unset"
  Text field, value;
  bool ok;
  Text message;  // with FILE for the configuration file's path
  Text after;    // the listing afterwards
  Text file;     // the configuration file afterwards, UTF-8
};

void runSteps(FieldStore& store, const test::TempDir& dir, const std::vector<Step>& steps) {
  for (const Step& s : steps) {
    const Text op = s.op;
    const StoreOutcome got = op == "unset" ? store.unset(s.field) : store.set(s.field, s.value, op == "set-plain");
    Text message = got.message;
    for (size_t at; (at = message.find(store.configPath())) != Text::npos;)
      message.replace(at, store.configPath().size(), "FILE");
    const Text step = op + " " + s.field + "=" + s.value;
    EXPECT_EQ(got.ok, s.ok) << step;
    EXPECT_EQ(message, s.message) << step;
    EXPECT_EQ(listing(store), s.after) << step;
    EXPECT_EQ(GbkToUtf8Text(dir.read("Deploy/短链.ini")), s.file) << step;
  }
}

TEST_F(WithKeyring, SecretsLiveInTheStoreAndOtherValuesInTheFile) {
  test::TempDir dir;
  const SecretService service("PindleTest");
  // The application objects made for the calls left the C locale as they found it (the
  // environment names another).
  EXPECT_STREQ(std::setlocale(LC_ALL, nullptr), "C");
  // A plain copy left from a time without a secret store.
  ::mkdir(dir.file("Deploy").c_str(), 0755);
  dir.write("Deploy/短链.ini", Utf8ToGbk("; 作者的说明\r\n[配置]\r\nKey=old\r\n"));
  FieldStore store(dir.file("Deploy"), "短链", kFields, service);
  ASSERT_EQ(store.problem(), "");
  const Text secret = "s3cr3t 值/+&";
  const Text m = kSecretMask, inStore = "密钥服务（Secret Service）";
  runSteps(
      store, dir,
      {
          {"set", "Key", secret, true, "API 密钥 已保存到" + inStore + "；旧的明文副本已从 FILE 删除",
           "Key=" + m + "@" + inStore + " Domain=s.example@默认值", "; 作者的说明\r\n[配置]\r\n"},
          {"set", "Domain", "短.example", true, "域名 已保存到 FILE",
           "Key=" + m + "@" + inStore + " Domain=短.example@FILE", "; 作者的说明\r\n[配置]\r\nDomain=短.example\r\n"},
          {"set", "Key", "a\nb", false, "API 密钥：值里有换行", "Key=" + m + "@" + inStore + " Domain=短.example@FILE",
           "; 作者的说明\r\n[配置]\r\nDomain=短.example\r\n"},
          {"set", "Nope", "x", false, "插件没有字段“Nope”", "Key=" + m + "@" + inStore + " Domain=短.example@FILE",
           "; 作者的说明\r\n[配置]\r\nDomain=短.example\r\n"},
      });
  EXPECT_EQ(modeOf(store.configPath()), 0644);

  // Another run of the program finds the secret; another plug-in does not share it.
  const FieldStore again(dir.file("Deploy"), "短链", kFields, service);
  const FieldReading read = again.read("Key");
  EXPECT_EQ(read.value, secret);
  EXPECT_EQ(read.source, FieldSource::SecretService);
  EXPECT_EQ(again.secretValues(), std::vector<Text>{secret});
  EXPECT_EQ(MaskSecrets("GET /?key=s3cr3t+%E5%80%BC%2F%2B%26 HTTP/1.1", again.secretValues()),
            "GET /?key=" + m + " HTTP/1.1");
  const FieldStore other(dir.file("Deploy"), "别的", kFields, service);
  EXPECT_EQ(other.read("Key").source, FieldSource::Unset);

  runSteps(store, dir,
           {
               {"unset", "Key", "", true, "API 密钥 已删除", "Key=@未设置 Domain=短.example@FILE",
                "; 作者的说明\r\n[配置]\r\nDomain=短.example\r\n"},
               {"unset", "Domain", "", true, "域名 已删除", "Key=@未设置 Domain=s.example@默认值",
                "; 作者的说明\r\n[配置]\r\n"},
           });
  EXPECT_FALSE(service.read("短链/Key").found);
  EXPECT_EQ(service.read("短链/Key").error, "");
}

TEST_F(WithKeyring, WorksFromAWorkerWhileTheWindowThreadRuns) {
  test::TempDir dir;
  const SecretService service("PindleTest");
  int argc = 1;
  char name[] = "secrets_tests";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  FieldStore store(dir.file("Deploy"), "worker", kFields, service);
  std::atomic<bool> done{false};
  StoreOutcome set;
  FieldReading read;
  std::thread worker([&] {
    set = store.set("Key", "from-worker");
    read = store.read("Key");
    done = true;
  });
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (done) loop.quit();
  });
  poll.start(10);
  loop.exec();
  worker.join();
  EXPECT_TRUE(set.ok) << set.message;
  EXPECT_EQ(read.value, "from-worker");
  EXPECT_EQ(store.unset("Key").ok, true);  // and on the application's own thread
}

TEST_F(WithKeyring, AStoreThatDoesNotAnswerTimesOut) {
  test::TempDir dir;
  const SecretService slow("PindleTest", std::chrono::milliseconds(300));
  FieldStore store(dir.file("Deploy"), "slow", kFields, slow);
  test::Session().pauseKeyring(true);
  const StoreOutcome got = store.set("Key", "v");
  const FieldReading read = store.read("Key");
  test::Session().pauseKeyring(false);
  EXPECT_FALSE(got.ok);
  EXPECT_EQ(got.message, "密钥服务在 1 秒内没有回应");
  EXPECT_TRUE(got.needsPlainConfirmation);
  EXPECT_EQ(read.problem, "密钥服务在 1 秒内没有回应");
  EXPECT_EQ(read.value, "");
  // Once it answers again, the store works; the late job did no harm.
  const SecretService service("PindleTest");
  FieldStore later(dir.file("Deploy"), "slow", kFields, service);
  EXPECT_TRUE(later.set("Key", "w").ok);
  EXPECT_EQ(later.read("Key").value, "w");
  EXPECT_TRUE(later.unset("Key").ok);
}

TEST_F(WithKeyring, BadNamesStoreNothing) {
  test::TempDir dir;
  const SecretService service("PindleTest");
  struct Case {
    Text plugin;
    std::vector<PluginField> fields;
    Text problem;
  } cases[] = {
      {"..", kFields, "插件名称不能用作配置文件名：名称里有 .."},
      {"../up", kFields, "插件名称不能用作配置文件名：名称里有 / 或 \\"},
      {"a/b", kFields, "插件名称不能用作配置文件名：名称里有 / 或 \\"},
      {"ok", {{"Key", "", true, ""}, {"key", "", false, ""}}, "字段“Key”和“key”在配置文件里是同一个键"},
      {"ok", {{";Key", "", true, ""}}, "字段“;Key”：名称以 ; 或 [ 开头"},
  };
  for (const auto& c : cases) {
    FieldStore store(dir.file("Deploy"), c.plugin, c.fields, service);
    EXPECT_EQ(store.problem(), c.problem) << c.plugin;
    EXPECT_EQ(store.set(c.fields[0].name, "v").message, c.problem) << c.plugin;
    EXPECT_EQ(store.read(c.fields[0].name).problem, c.problem) << c.plugin;
    EXPECT_FALSE(service.read(c.plugin + "/" + c.fields[0].name).found) << c.plugin;
  }
  struct stat st {};
  EXPECT_NE(::stat(dir.file("Deploy").c_str(), &st), 0);
}

TEST_F(WithoutSecretService, SecretsGoToAPrivateFileOnlyWhenConfirmed) {
  test::TempDir dir;
  const SecretService service("PindleTest");
  const Text reason = service.unavailableReason();
  if (test::StoreMode() == test::SecretServiceSession::Store::None)
    EXPECT_EQ(reason, "会话总线上没有运行中的密钥服务（Secret Service，如 GNOME 密钥环、KWallet、KeePassXC）");
  else
    EXPECT_TRUE(reason.starts_with("没有 D-Bus 会话总线（") && reason.ends_with("），找不到密钥服务")) << reason;
  EXPECT_EQ(reason.find('\n'), Text::npos);
  FieldStore store(dir.file("Deploy"), "短链", kFields, service);
  const Text m = kSecretMask;
  const Text note = "；" + reason + "，其中若还有这个值，要在那里删除";
  runSteps(
      store, dir,
      {
          {"set", "Key", "plain-secret", false, reason, "Key=@未设置 Domain=s.example@默认值", ""},
          {"set-plain", "Key", "plain-secret", true, reason + "；API 密钥 已明文保存到 FILE（只有本人可读）",
           "Key=" + m + "@FILE（明文） Domain=s.example@默认值", "[配置]\r\nKey=plain-secret\r\n"},
          {"set", "Domain", "d.example", true, "域名 已保存到 FILE", "Key=" + m + "@FILE（明文） Domain=d.example@FILE",
           "[配置]\r\nKey=plain-secret\r\nDomain=d.example\r\n"},
          {"unset", "Key", "", true, "API 密钥 已删除" + note, "Key=@未设置 Domain=d.example@FILE",
           "[配置]\r\nDomain=d.example\r\n"},
      });
  EXPECT_EQ(modeOf(store.configPath()), 0600);
  EXPECT_TRUE(store.set("Key", "again").needsPlainConfirmation);
  EXPECT_EQ(store.read("Key").source, FieldSource::Unset);
}

// A Secret Service runs but cannot take the value (no keyring it can open, no prompt to unlock
// one): the store's own reason, and the same offer of the private file.
TEST_F(WithLockedKeyring, AStoreThatRefusesIsNamedAndThePlainFileOffered) {
  test::TempDir dir;
  const SecretService service("PindleTest");
  EXPECT_EQ(service.unavailableReason(), "");
  FieldStore store(dir.file("Deploy"), "短链", kFields, service);
  const StoreOutcome refused = store.set("Key", "v");
  EXPECT_FALSE(refused.ok);
  EXPECT_TRUE(refused.needsPlainConfirmation);
  EXPECT_TRUE(refused.message.starts_with("密钥服务写入失败：")) << refused.message;
  EXPECT_EQ(refused.message.find('\n'), Text::npos);
  const StoreOutcome plain = store.set("Key", "v", true);
  EXPECT_TRUE(plain.ok) << plain.message;
  EXPECT_EQ(plain.message, refused.message + "；API 密钥 已明文保存到 " + store.configPath() + "（只有本人可读）");
  EXPECT_EQ(modeOf(store.configPath()), 0600);
  const FieldReading read = store.read("Key");
  EXPECT_EQ(read.value, "v");
  EXPECT_EQ(read.source, FieldSource::PlainFile);
}

}  // namespace
}  // namespace pindle
