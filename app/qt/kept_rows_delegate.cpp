// Qt: list rows measured and drawn once per text, copied afterwards.
#include "app/qt/kept_rows_delegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPaintEngine>
#include <QPainter>

namespace {

// Rows that carry more than a text (a picture, a mark, colours, a font of their own) are
// measured and drawn every time, as the stock delegate does.
bool textOnly(const QModelIndex& index) {
    for (int role : {Qt::DecorationRole, Qt::CheckStateRole, Qt::FontRole, Qt::SizeHintRole,
                     Qt::ForegroundRole, Qt::BackgroundRole, Qt::TextAlignmentRole}) {
        if (index.data(role).isValid()) {
            return false;
        }
    }
    return true;
}

// The image the painter draws into, when it is one and nothing but a shift lies between the
// row and the image: a row drawn into an image of the same format gives the same pixels.
const QImage* targetImage(const QPainter* painter) {
    const QPaintEngine* engine = painter->paintEngine();
    if (engine == nullptr || painter->worldTransform().type() != QTransform::TxNone) {
        return nullptr;
    }
    const QPaintDevice* device = engine->paintDevice();
    if (device == nullptr || device->devType() != QInternal::Image) {
        return nullptr;
    }
    return static_cast<const QImage*>(device);
}

}  // namespace

KeptRowsDelegate::Look KeptRowsDelegate::Look::of(const QStyleOptionViewItem& option) {
    Look look;
    look.style = option.widget != nullptr ? option.widget->style() : QApplication::style();
    look.font = option.font;
    look.palette = option.palette.cacheKey();
    look.features = static_cast<int>(option.features);
    look.decorationSize = option.decorationSize;
    look.elideMode = static_cast<int>(option.textElideMode);
    look.alignment = static_cast<int>(option.displayAlignment);
    look.direction = static_cast<int>(option.direction);
    return look;
}

bool KeptRowsDelegate::Look::operator==(const Look& other) const {
    return style == other.style && font == other.font && palette == other.palette &&
           features == other.features && decorationSize == other.decorationSize &&
           elideMode == other.elideMode && alignment == other.alignment &&
           direction == other.direction;
}

QSize KeptRowsDelegate::sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    if (!textOnly(index)) {
        return QStyledItemDelegate::sizeHint(option, index);
    }
    const Look look = Look::of(option);
    if (!(look == sizeLook_)) {
        sizeLook_ = look;
        sizes_.clear();
    }
    const QString text = index.data(Qt::DisplayRole).toString();
    if (const QSize* known = sizes_.object(text)) {
        return *known;
    }
    const QSize size = QStyledItemDelegate::sizeHint(option, index);
    sizes_.insert(text, new QSize(size));
    return size;
}

void KeptRowsDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    const QWidget* viewport = view != nullptr ? view->viewport() : nullptr;
    const QImage* target = targetImage(painter);
    const QBrush background =
        viewport != nullptr ? viewport->palette().brush(viewport->backgroundRole()) : QBrush();
    // The row lies on the viewport's own plain, opaque background.
    if (target == nullptr || !viewport->autoFillBackground() ||
        background.style() != Qt::SolidPattern || !background.isOpaque() || !textOnly(index)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const Look look = Look::of(option);
    if (!(look == rowLook_)) {
        rowLook_ = look;
        rows_.clear();
    }
    const qreal ratio = target->devicePixelRatio();
    const QString key =
        QString::asprintf("%x:%dx%d@%g:%d:%x:", static_cast<unsigned>(option.state),
                          option.rect.width(), option.rect.height(), ratio,
                          static_cast<int>(target->format()), background.color().rgba()) +
        index.data(Qt::DisplayRole).toString();
    if (const QImage* kept = rows_.object(key)) {
        painter->drawImage(option.rect.topLeft(), *kept);
        return;
    }
    auto* row = new QImage(option.rect.size() * ratio, target->format());
    row->setDevicePixelRatio(ratio);
    row->fill(background.color());
    QPainter rowPainter(row);
    rowPainter.setPen(painter->pen());
    rowPainter.setBrush(painter->brush());
    rowPainter.setFont(painter->font());
    rowPainter.setBackground(painter->background());
    rowPainter.setLayoutDirection(painter->layoutDirection());
    rowPainter.setRenderHints(painter->renderHints());
    rowPainter.translate(-option.rect.topLeft());
    QStyledItemDelegate::paint(&rowPainter, option, index);
    rowPainter.end();
    painter->drawImage(option.rect.topLeft(), *row);
    rows_.insert(key, row, static_cast<int>(row->sizeInBytes() / 1024) + 1);
}
