// Qt: the rows of a list drawn as the stock delegate draws them, each text measured once and
// each row drawn once. The module list is rebuilt whole whenever a module comes, goes or shows
// another version; the list then measures every row and draws every visible one again, mostly
// with the texts it had.
#pragma once

#include <QCache>
#include <QFont>
#include <QImage>
#include <QStyledItemDelegate>

class KeptRowsDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

  private:
    // What a row's size and picture depend on besides its text, state and size. When it
    // changes, what was kept is forgotten.
    struct Look {
        const QStyle* style = nullptr;
        QFont font;
        qint64 palette = 0;
        int features = 0;
        QSize decorationSize;
        int elideMode = 0;
        int alignment = 0;
        int direction = 0;

        static Look of(const QStyleOptionViewItem& option);
        bool operator==(const Look& other) const;
    };

    mutable Look sizeLook_;
    mutable Look rowLook_;
    // The texts and rows seen last: the list's own and a few more (a flood of line noise can
    // name any version of any module). Rows are counted in KiB.
    mutable QCache<QString, QSize> sizes_{1024};
    mutable QCache<QString, QImage> rows_{1024};
};
