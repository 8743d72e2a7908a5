#include "ui/controls/drop_target.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

#include "platform/dropped_links.h"
#include "ui/text_edge.h"

namespace tazmel {
namespace {

const QString kMozUrl = QStringLiteral("text/x-moz-url");
const QString kUriList = QStringLiteral("text/uri-list");

std::optional<std::string> Bytes(const QMimeData& mime, const QString& format) {
  if (!mime.hasFormat(format)) return std::nullopt;
  const QByteArray data = mime.data(format);
  return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

// The action the target takes: the proposed one when allowed, else the
// first allowed one the source also offers.
std::optional<Qt::DropAction> ChooseAction(Qt::DropActions allowed, const QDropEvent& event) {
  if (allowed & event.proposedAction()) return event.proposedAction();
  for (Qt::DropAction action : {Qt::CopyAction, Qt::MoveAction, Qt::LinkAction}) {
    if ((allowed & action) && (event.possibleActions() & action)) return action;
  }
  return std::nullopt;
}

}  // namespace

DropOffer OfferFromMime(const QMimeData& mime) {
  DropOffer offer;
  offer.moz_url = Bytes(mime, kMozUrl);
  offer.uri_list = Bytes(mime, kUriList);
  if (mime.hasText()) offer.plain_text = mime.text().toStdString();
  return offer;
}

TDropURLFilesTarget::TDropURLFilesTarget(QObject* parent) : QObject(parent) {}

TDropURLFilesTarget::~TDropURLFilesTarget() { Revoke(); }

void TDropURLFilesTarget::Register(QWidget* window) {
  Revoke();
  if (!window) return;
  window_ = window;
  window->setAcceptDrops(true);
  window->installEventFilter(this);
}

void TDropURLFilesTarget::Revoke() {
  if (!window_) return;
  window_->removeEventFilter(this);
  window_->setAcceptDrops(false);
  window_ = nullptr;
}

bool TDropURLFilesTarget::Accepts(const QMimeData& mime) {
  return mime.hasFormat(kMozUrl) || mime.hasFormat(kUriList) || mime.hasText();
}

bool TDropURLFilesTarget::TakeData(const QMimeData& mime) {
  const DroppedLinks links = ExtractDroppedLinks(OfferFromMime(mime));
  url_ = ToGb(QString::fromStdString(links.url));
  title_ = ToGb(QString::fromStdString(links.title));
  files_ = links.files;
  mapped_names_ = links.mapped_names;
  return !links.Empty();
}

bool TDropURLFilesTarget::PasteFiles(const QMimeData& mime) {
  files_.clear();
  mapped_names_.clear();
  if (!mime.hasFormat(kUriList)) return false;
  DropOffer offer;
  offer.uri_list = Bytes(mime, kUriList);
  files_ = ExtractDroppedLinks(offer).files;
  return !files_.empty();
}

bool TDropURLFilesTarget::eventFilter(QObject* watched, QEvent* event) {
  if (watched != window_) return false;
  switch (event->type()) {
    case QEvent::DragEnter: {
      auto* drag = static_cast<QDragEnterEvent*>(event);
      const std::optional<Qt::DropAction> action = ChooseAction(dragtypes_, *drag);
      if (!drag->mimeData() || !Accepts(*drag->mimeData()) || !action) {
        drag->ignore();
        return true;
      }
      if (get_data_on_enter_) TakeData(*drag->mimeData());
      drag->setDropAction(*action);
      drag->accept();
      return true;
    }
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      const std::optional<Qt::DropAction> action = ChooseAction(dragtypes_, *drag);
      if (!action) {
        drag->ignore();
        return true;
      }
      drag->setDropAction(*action);
      drag->accept();
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const std::optional<Qt::DropAction> action = ChooseAction(dragtypes_, *drop);
      if (!drop->mimeData() || !action || !TakeData(*drop->mimeData())) {
        drop->ignore();
        return true;
      }
      drop->setDropAction(*action);
      drop->accept();
      if (OnDrop) {
        OnDrop(drop->modifiers(), *action, window_->mapToGlobal(drop->position().toPoint()));
      }
      return true;
    }
    default:
      return false;
  }
}

}  // namespace tazmel
