#include "app/gui/qr_dialog.h"

#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/gui/text_convert.h"
#include "app/gui/window_fonts.h"
#include "qr/qr_png.h"

namespace pindle {
namespace {
constexpr int kSavedModulePixels = 10;  // a saved image prints and scans well at this size
}

QImage QrImage(const QrMatrix& code, int moduleSize) {
  const int side = (code.size + 2 * kQrQuietZone) * moduleSize;
  QImage image(side, side, QImage::Format_Grayscale8);
  for (int y = 0; y < side; ++y) {
    uchar* line = image.scanLine(y);
    for (int x = 0; x < side; ++x)
      line[x] = code.isDark(x / moduleSize - kQrQuietZone, y / moduleSize - kQrQuietZone) ? 0 : 255;
  }
  return image;
}

QrDialog::QrDialog(const Text& text, QWidget* parent) : QDialog(parent), code_(MakeQrCode(text)) {
  setObjectName(QStringLiteral("二维码"));
  setWindowTitle(QStringLiteral("二维码"));
  setFont(WindowFont(12));  // a window of its own: the main window's font does not pass to it
  auto* layout = new QVBoxLayout(this);
  picture_ = new QLabel;
  picture_->setObjectName(QStringLiteral("二维码_图片"));
  picture_->setAlignment(Qt::AlignCenter);
  picture_->setMinimumSize(120, 120);
  picture_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  layout->addWidget(picture_, 1);
  auto* caption = new QLabel(ToQt(text));
  caption->setObjectName(QStringLiteral("二维码_文本"));
  caption->setWordWrap(true);
  caption->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(caption);
  auto* buttons = new QHBoxLayout;
  auto* save = new QPushButton(QStringLiteral("保存 PNG"));
  save->setObjectName(QStringLiteral("保存 PNG"));
  auto* copy = new QPushButton(QStringLiteral("复制图片"));
  copy->setObjectName(QStringLiteral("复制图片"));
  buttons->addStretch();
  buttons->addWidget(save);
  buttons->addWidget(copy);
  layout->addLayout(buttons);
  if (!code_) {
    picture_->setText(QStringLiteral("文本太长，放不进二维码"));
    save->setEnabled(false);
    copy->setEnabled(false);
  }
  connect(save, &QPushButton::clicked, this, [this] {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("保存 PNG"), QStringLiteral("二维码.png"),
                                                      QStringLiteral("PNG 图片 (*.png)"));
    if (!path.isEmpty()) savePng(path);
  });
  connect(copy, &QPushButton::clicked, this, &QrDialog::copyImage);
  resize(300, 360);
}

bool QrDialog::savePng(const QString& path) {
  if (!code_) return false;
  Text error;
  if (WriteQrPng(*code_, kSavedModulePixels, FromQt(path), &error)) return true;
  QMessageBox::warning(this, QStringLiteral("保存 PNG"), ToQt(error));
  return false;
}

void QrDialog::copyImage() {
  if (code_) QGuiApplication::clipboard()->setImage(QrImage(*code_, kSavedModulePixels));
}

void QrDialog::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  redraw();
}

void QrDialog::redraw() {
  if (!code_) return;
  // Whole device pixels per module keep every module edge sharp.
  const qreal ratio = devicePixelRatioF();
  const int room = static_cast<int>(std::min(picture_->width(), picture_->height()) * ratio);
  shown_ = QrImage(*code_, QrModuleSizeFor(*code_, room));
  QPixmap pixmap = QPixmap::fromImage(shown_);
  pixmap.setDevicePixelRatio(ratio);
  picture_->setPixmap(pixmap);
}

}  // namespace pindle
