#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class QMimeData;

namespace tazmel {

struct DropOffer;

// Copies the formats the drop rules read out of Qt's MIME data.
DropOffer OfferFromMime(const QMimeData& mime);

// Takes links, Internet shortcut files and files dropped on one window.
class TDropURLFilesTarget : public QObject {
  Q_OBJECT

 public:
  explicit TDropURLFilesTarget(QObject* parent = nullptr);
  ~TDropURLFilesTarget() override;

  // The drop actions offered to the source.
  Qt::DropActions Dragtypes() const { return dragtypes_; }
  void SetDragtypes(Qt::DropActions value) { dragtypes_ = value; }
  bool GetDataOnEnter() const { return get_data_on_enter_; }
  void SetGetDataOnEnter(bool value) { get_data_on_enter_ = value; }
  bool ShowImage() const { return show_image_; }
  void SetShowImage(bool value) { show_image_ = value; }

  void Register(QWidget* window);
  void Revoke();

  // Modifier keys, the action taken and the point in screen coordinates.
  std::function<void(Qt::KeyboardModifiers, Qt::DropAction, QPoint)> OnDrop;

  // Link and title in the data code page; paths as local path bytes.
  const std::string& DroppedURL() const { return url_; }
  const std::string& DroppedTitle() const { return title_; }
  const std::vector<std::string>& DroppedFiles() const { return files_; }
  const std::vector<std::string>& DroppedMappedNames() const { return mapped_names_; }

  // Whether a source offers anything the target can take.
  static bool Accepts(const QMimeData& mime);
  // Takes the link, then the files; true when either gave something.
  bool TakeData(const QMimeData& mime);
  // Pasting: fills DroppedFiles from the files the data holds.
  bool PasteFiles(const QMimeData& mime);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> window_;
  Qt::DropActions dragtypes_ = Qt::LinkAction;
  bool get_data_on_enter_ = true;
  bool show_image_ = false;
  std::string url_;
  std::string title_;
  std::vector<std::string> files_;
  std::vector<std::string> mapped_names_;
};

}  // namespace tazmel
