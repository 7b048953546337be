#pragma once
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "platform/types.h"
#include "plugins/plugin_catalog.h"

namespace pindle::cli {

struct Streams {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  bool errIsTerminal = false;  // progress is shown only on a terminal
  bool outIsTerminal = false;  // results go to a terminal (most likely the one progress is on)
};

// One subcommand: its name, a one-line description, its usage text and what it does.
class Command {
 public:
  virtual ~Command() = default;
  virtual std::string name() const = 0;
  virtual std::string description() const = 0;
  virtual std::string usage() const = 0;
  // Exit code: 0 success, 1 some work failed, 2 bad usage, 130 stopped by Ctrl-C.
  virtual int execute(const std::vector<std::string>& args, Streams& io) = 0;
};

std::vector<std::unique_ptr<Command>> AllCommands();
std::unique_ptr<Command> MakeShortenCommand();
std::unique_ptr<Command> MakePluginsCommand();
std::unique_ptr<Command> MakeSwitchCommand(bool enable);
std::unique_ptr<Command> MakePullCommand();
std::unique_ptr<Command> MakeTestCommand();
std::unique_ptr<Command> MakeImportCommand();
std::unique_ptr<Command> MakeQrCommand();
std::unique_ptr<Command> MakeExpandCommand();
std::unique_ptr<Command> MakeHistoryCommand();
std::unique_ptr<Command> MakeCheckCommand();
std::unique_ptr<Command> MakeConfigCommand();
std::unique_ptr<Command> MakeStatsCommand();
std::unique_ptr<Command> MakeLinksCommand();
std::unique_ptr<Command> MakeDeleteCommand();

// The local plug-in (enabled or not) that `name` names (FindPluginName); nullptr, with the local
// names on io.err, when there is none.
const PluginInfo* FindNamedPlugin(const PluginCatalog& catalog, const Text& name, Streams& io);

// `pindle shorten --clipboard`: the address on the clipboard through `pluginFile`, the short
// link back on the clipboard (kept after the process ends) and printed. A window running on
// the same settings takes the whole pass, with `wantedPlugin` (the plug-in named with -p; empty:
// the window's choice).
int ShortenClipboardAddress(const Text& wantedPlugin, const Text& pluginName, const Text& pluginFile,
                            const std::vector<Text>& urls, Streams& io);

// The local plug-ins, from the folder and the switches the window loads them from.
PluginCatalog LoadPluginCatalog();

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;  // stopped by Ctrl-C, as a shell reports SIGINT

}  // namespace pindle::cli
