// Qt: a list that behaves as a single-selection Windows list box with LBS_NOTIFY.
#pragma once

#include <QListWidget>
#include <functional>

// What the user sees selected is what the program reads: the selection changes on the mouse
// press over a row and with the arrow, Home, End and page keys, and is reported once it has
// changed, never before. A click on the selected row, in the empty part below the rows, or with
// Ctrl held changes nothing. Rows the program adds or removes are never reported, as Windows
// reports only what the user did.
class ListBox : public QListWidget {
  public:
    // notify(notification): 1 when the user changed the selection, 2 on a double-click on a row.
    ListBox(QWidget* parent, bool notifies, std::function<void(int)> notify);

    int selectedRow() const;  // -1 when no row is selected
    void addRow(const QString& text);
    void removeRow(int row);

  protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;

  private:
    std::function<void(int)> notify_;
};
