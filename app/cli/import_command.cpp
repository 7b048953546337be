#include <ostream>

#include "app/cli/command.h"
#include "config/app_paths.h"
#include "plugins/sxcu_import.h"
#include "secrets/imported_secrets.h"

namespace pindle::cli {
namespace {

// import: ShareX custom uploader files become plug-in files in Plug/.
class ImportCommand : public Command {
 public:
  std::string name() const override { return "import"; }
  std::string description() const override { return "把 ShareX 自定义上传器文件（.sxcu）转成插件"; }
  std::string usage() const override {
    return "用法: pindle import 文件.sxcu ... [--force] [--plain]\n"
           "  每个文件写成 Plug 目录里的一个插件（名称取 Name，没有时取地址的主机名）。\n"
           "  插件格式表达不了的内容（{header:…}、{xml:…}、输入框、随机选择等）逐个列出，这样的文件不写入，\n"
           "  已有的插件文件或同名插件也不覆盖，除非加 --force。上传文件或图片的上传器不导入。\n"
           "  文件里的密钥（Authorization、X-API-Key 等请求头，key、token、signature、apikey 参数）存入\n"
           "  系统的密钥服务；--plain 在没有密钥服务时明文存入 Deploy/插件名.ini（只有本人可读）。\n"
           "退出码: 0 全部写入，1 有文件没有写入，2 用法错误\n";
  }
  int execute(const std::vector<std::string>& args, Streams& io) override {
    bool force = false, plain = false;
    std::vector<Text> files;
    for (const auto& a : args) {
      if (a == "--force") {
        force = true;
      } else if (a == "--plain") {
        plain = true;
      } else if (a.size() > 1 && a[0] == '-') {
        io.err << "未知选项：" << a << "\n" << usage();
        return kExitUsage;
      } else {
        files.push_back(a);
      }
    }
    if (files.empty()) {
      io.err << usage();
      return kExitUsage;
    }
    int failed = 0;
    for (const Text& file : files) {
      const SxcuImport result = ImportSxcuFile(file, Paths().plugDir, force);
      if (result.ok()) {
        io.out << DescribeImport(result) << "\n";
        if (const Text stored = StoreImportedSecrets(result, plain, Paths().deployDir); !stored.empty())
          io.out << stored << "\n";
      } else {
        ++failed;
        io.err << DescribeImport(result) << (result.problems.empty() && !result.clash ? "" : "（加 --force 仍然写入）")
               << "\n";
      }
    }
    return failed == 0 ? kExitOk : kExitFailed;
  }
};

}  // namespace

std::unique_ptr<Command> MakeImportCommand() { return std::make_unique<ImportCommand>(); }

}  // namespace pindle::cli
