#include <cstdlib>
#include <ostream>

#include "app/cli/command.h"
#include "qr/qr_code.h"
#include "qr/qr_png.h"

namespace pindle::cli {
namespace {

constexpr int kDefaultModulePixels = 8;

class QrCommand : public Command {
 public:
  std::string name() const override { return "qr"; }
  std::string description() const override { return "显示网址的二维码，或写成 PNG 图片"; }
  std::string usage() const override {
    return "用法: pindle qr [--png 文件] [--scale 像素] [--invert] 文本\n"
           "  不带 --png 时用半格字符画在终端上（适合深色背景）\n"
           "  --png 文件    写成 PNG 图片\n"
           "  --scale 像素  PNG 中每个模块的边长，默认 8\n"
           "  --invert      终端是浅色背景时用它\n";
  }

  int execute(const std::vector<std::string>& args, Streams& io) override {
    std::string png;
    int scale = kDefaultModulePixels;
    bool invert = false;
    std::vector<std::string> texts;
    for (size_t i = 0; i < args.size(); ++i) {
      const std::string& a = args[i];
      if ((a == "--png" || a == "--scale") && i + 1 >= args.size()) {
        io.err << a << " 后面需要一个值\n" << usage();
        return kExitUsage;
      }
      if (a == "--png") {
        png = args[++i];
      } else if (a == "--scale") {
        scale = std::atoi(args[++i].c_str());
        if (scale < 1 || scale > 100) {
          io.err << "--scale 应在 1 到 100 之间\n";
          return kExitUsage;
        }
      } else if (a == "--invert") {
        invert = true;
      } else if (a.size() > 1 && a[0] == '-' && a.rfind("--", 0) == 0) {
        io.err << "未知选项：" << a << "\n" << usage();
        return kExitUsage;
      } else {
        texts.push_back(a);
      }
    }
    if (texts.size() != 1 || texts[0].empty()) {
      io.err << "需要且只需要一段文本\n" << usage();
      return kExitUsage;
    }
    const auto code = MakeQrCode(texts[0]);
    if (!code) {
      io.err << "文本太长，放不进二维码\n";
      return kExitFailed;
    }
    if (png.empty()) {
      io.out << QrToTerminal(*code, invert) << std::flush;
      return kExitOk;
    }
    Text error;
    if (!WriteQrPng(*code, scale, png, &error)) {
      io.err << error << "\n";
      return kExitFailed;
    }
    return kExitOk;
  }
};

}  // namespace

std::unique_ptr<Command> MakeQrCommand() { return std::make_unique<QrCommand>(); }

}  // namespace pindle::cli
