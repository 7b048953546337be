#include "app/gui/clipboard_passes.h"

#include <QCoreApplication>
#include <QPointer>

#include "app/gui/actions/clipboard_plugin.h"
#include "app/gui/actions/moved_keys.h"
#include "app/gui/desktop_clipboard.h"
#include "app/gui/desktop_notifications.h"
#include "app/gui/on_window_thread.h"
#include "app/gui/text_convert.h"
#include "config/app_paths.h"
#include "config/config.h"
#include "secrets/plugin_inputs.h"

namespace pindle {

ClipboardPasses::ClipboardPasses(Controls& ui, Workers& workers, QObject* parent)
    : QObject(parent), ui_(ui), workers_(workers) {}

void ClipboardPasses::shortenClipboard(const Text& plugin, Done done) {
  Text problem;
  const std::optional<Text> held = ReadClipboard(problem);
  if (!held) {
    ClipboardShortening pass;
    pass.problem = problem;
    finish(pass, false, done);
    return;
  }
  run(*held, plugin, false, std::move(done));
}

void ClipboardPasses::shortenCopiedText(const Text& text, Done done) { run(text, Text(), true, std::move(done)); }

void ClipboardPasses::run(const Text& held, const Text& plugin, bool watched, Done done) {
  // Asked here, on the window thread, before the worker sends anything.
  AskAboutMovedKeys(ui_, {PluginForClipboard(ui_, plugin).file});
  QPointer<ClipboardPasses> self(this);
  Controls* ui = &ui_;
  workers_.start([self, ui, held, plugin, watched, done = std::move(done)](std::stop_token) {
    const ClipboardShortening pass = ShortenClipboardText(
        held, PluginForClipboard(*ui, plugin),
        [](const Text& file) { return StoredPluginInputs(file, Paths().deployDir, ValueSetting::Window); },
        Config::Read());
    // Whether the passes still exist is asked on the window thread only, where they may go.
    QueueOnThreadOf(
        QCoreApplication::instance(),
        [self, pass, watched, done] {
          if (self) self->finish(pass, watched, done);
        },
        Qt::QueuedConnection);
  });
}

void ClipboardPasses::finish(const ClipboardShortening& pass, bool watched, const Done& done) {
  if (pass.ok) {
    PutOnClipboard(pass.link);
    ui_.setStatusText("短网址已放上剪贴板：" + pass.link);
    NotifyDesktop(watched ? "复制的网址已缩短" : "短网址已放上剪贴板", pass.link + "\n" + pass.longUrl);
    emit linkMade(ToQt(pass.link));
  } else {
    ui_.setStatusText(pass.problem);
    NotifyDesktop(watched ? "复制的网址没能缩短" : "没能缩短剪贴板上的网址", pass.problem);
  }
  if (done) done(pass);
}

}  // namespace pindle
