#include "app/gui/clipboard_watch.h"

#include <signal.h>
#include <sys/prctl.h>

#include <QClipboard>
#include <QGuiApplication>

#include "app/gui/actions/clipboard_watch_rule.h"
#include "app/gui/clipboard_passes.h"
#include "app/gui/desktop_clipboard.h"
#include "app/gui/wayland_clipboard.h"

namespace pindle {

ClipboardWatch::ClipboardWatch(Controls& ui, ClipboardPasses& passes, QObject* parent)
    : QObject(parent), ui_(ui), passes_(passes) {
  connect(QGuiApplication::clipboard(), &QClipboard::changed, this, [this](QClipboard::Mode mode) {
    if (mode == QClipboard::Clipboard && !DataControlClipboardUsable()) clipboardChanged();
  });
}

ClipboardWatch::~ClipboardWatch() { setOn(false); }

void ClipboardWatch::setOn(bool on) {
  if (on == on_) return;
  on_ = on;
  if (!on) {
    if (changes_) {
      changes_->kill();
      changes_->waitForFinished(1000);
      delete changes_;
      changes_ = nullptr;
    }
    return;
  }
  // What the clipboard holds now was copied before watching began.
  Text problem;
  lastSeen_ = ReadClipboard(problem).value_or(Text());
  if (!DataControlClipboardUsable()) return;
  changes_ = new QProcess(this);
  // Ends with this program, however it ends.
  changes_->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
  changes_->setStandardErrorFile(QProcess::nullDevice());
  connect(changes_, &QProcess::readyReadStandardOutput, this, [this] {
    changes_->readAllStandardOutput();
    clipboardChanged();
  });
  changes_->start(QStringLiteral("wl-paste"), {QStringLiteral("--watch"), QStringLiteral("echo")});
}

void ClipboardWatch::clipboardChanged() {
  if (!on_) return;
  Text problem;
  const std::optional<Text> text = ReadClipboard(problem);
  if (!text || *text == lastSeen_) return;
  lastSeen_ = *text;
  if (WorthShortening(*text, LastTextPutOnClipboard(), ShortLinkHosts(ui_))) passes_.shortenCopiedText(*text);
}

}  // namespace pindle
