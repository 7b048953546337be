#include <ostream>

#include "app/cli/command.h"
#include "config/settings.h"
#include "web/redirect_chain.h"

namespace pindle::cli {
namespace {

class ExpandCommand : public Command {
 public:
  std::string name() const override { return "expand"; }
  std::string description() const override { return "展开短网址：跟随跳转，显示最终地址"; }
  std::string usage() const override {
    return "用法: pindle expand [--chain] 网址 ...\n"
           "  每个网址输出一行最终地址（失败的网址输出空行，原因写到标准错误）\n"
           "  --chain  输出每一跳：状态码<TAB>地址，网址之间空一行；连不上的最后一跳标为“未连接”\n"
           "  最终地址连不上时仍输出它，原因写到标准错误\n"
           "  只读响应头，不下载内容；最多跟随 10 次跳转\n"
           "退出码: 0 全部成功，1 有失败的网址，2 用法错误\n";
  }

  int execute(const std::vector<std::string>& args, Streams& io) override {
    bool chainWanted = false;
    std::vector<std::string> urls;
    for (const auto& a : args) {
      if (a == "--chain") {
        chainWanted = true;
      } else if (a.rfind("--", 0) == 0) {
        io.err << "未知选项：" << a << "\n" << usage();
        return kExitUsage;
      } else {
        urls.push_back(a);
      }
    }
    if (urls.empty()) {
      io.err << "需要至少一个网址\n" << usage();
      return kExitUsage;
    }
    int failures = 0;
    for (size_t i = 0; i < urls.size(); ++i) {
      const RedirectChain chain = FollowRedirectChain(urls[i], {.verifyTls = VerifyTlsSetting()});
      if (chainWanted) {
        if (i > 0) io.out << "\n";
        for (size_t h = 0; h < chain.hops.size(); ++h) {
          const bool unreachedHop = h + 1 == chain.hops.size() && !chain.unreached.empty();
          io.out << (unreachedHop ? Text("未连接") : std::to_string(chain.hops[h].status)) << '\t' << chain.hops[h].url
                 << "\n";
        }
      } else {
        io.out << chain.finalUrl << "\n";
      }
      if (!chain.ok()) {
        ++failures;
        io.err << urls[i] << "：" << chain.error << "\n";
      } else if (!chain.unreached.empty()) {
        io.err << urls[i] << "：最终地址未能连接：" << chain.unreached << "\n";
      }
    }
    io.out.flush();
    return failures == 0 ? kExitOk : kExitFailed;
  }
};

}  // namespace

std::unique_ptr<Command> MakeExpandCommand() { return std::make_unique<ExpandCommand>(); }

}  // namespace pindle::cli
