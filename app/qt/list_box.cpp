// Qt: the Windows list box's selection rules and notifications over QListWidget.
#include "app/qt/list_box.h"

#include <QEvent>
#include <QSignalBlocker>

#include "app/window_services.h"

ListBox::ListBox(QWidget* parent, bool notifies, std::function<void(int)> notify)
    : QListWidget(parent), notify_(std::move(notify)) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    if (!notifies) {
        return;
    }
    // Qt reports the current row before it selects it (the first click would find nothing
    // selected); the selection itself is reported after it has changed.
    QObject::connect(this, &QListWidget::itemSelectionChanged, this,
                     [this] { notify_(kListSelectionChanged); });
    QObject::connect(this, &QListWidget::itemDoubleClicked, this,
                     [this](QListWidgetItem*) { notify_(kListDoubleClick); });
}

int ListBox::selectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void ListBox::addRow(const QString& text) {
    const QSignalBlocker quiet(this);
    addItem(text);
}

void ListBox::removeRow(int row) {
    if (row < 0 || row >= count()) {
        return;
    }
    const QSignalBlocker quiet(this);
    delete takeItem(row);
}

QItemSelectionModel::SelectionFlags ListBox::selectionCommand(const QModelIndex& index,
                                                              const QEvent* event) const {
    // A single-selection list box has always at most one row selected, and only a row under the
    // pointer (pressed, or dragged with the button held) or the caret can become it: no toggling
    // with Ctrl or the space bar, no deselecting by a click beside the rows.
    if (!index.isValid() || (event != nullptr && event->type() == QEvent::MouseButtonRelease)) {
        return QItemSelectionModel::NoUpdate;
    }
    return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
}
