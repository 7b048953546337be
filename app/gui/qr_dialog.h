#pragma once
#include <QDialog>
#include <QImage>
#include <optional>

#include "platform/types.h"
#include "qr/qr_code.h"

class QLabel;

namespace pindle {

// The QR code as an image: black modules on white, `moduleSize` pixels each, quiet zone included.
QImage QrImage(const QrMatrix& code, int moduleSize);

// 二维码: a link's QR code, drawn as large as the dialog allows in whole pixels per module, with
// 保存 PNG and 复制图片.
class QrDialog : public QDialog {
  Q_OBJECT
 public:
  QrDialog(const Text& text, QWidget* parent = nullptr);
  // The image as shown now; null when the text does not fit into a code.
  QImage shownImage() const { return shown_; }
  // What 保存 PNG writes; false (with a notice to the user) when it cannot.
  bool savePng(const QString& path);
  void copyImage();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void redraw();

  std::optional<QrMatrix> code_;
  QLabel* picture_ = nullptr;
  QImage shown_;
};

}  // namespace pindle
