#pragma once

#include "LibraryTableModel.h"

#include <QTableView>

class QAbstractButton;

namespace quillon {

// The material table: a block between the current cell and an anchor is always selected, the
// headers select whole rows and columns as such blocks, and typing starts an entry elsewhere.
class MaterialTableView : public QTableView {
    Q_OBJECT
public:
    explicit MaterialTableView(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;
    void setCornerText(const QString &text);

    // The current cell and the anchor; all -1 while the table has no cells.
    CellRange selectedRange() const;
    // Moves the current cell and selects the block to the anchor, both clamped to the table.
    void selectRange(const CellRange &range);
    void setCurrentCell(int row, int column) { selectRange({row, column, row, column}); }

    void selectAll() override;
    void keyboardSearch(const QString &search) override;

signals:
    void currentCellChanged();
    void cellClicked();
    void cellDoubleClicked();
    // A character typed while the table has the focus.
    void characterTyped(QChar character);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void selectionChanged(const QItemSelection &selected,
                          const QItemSelection &deselected) override;

private:
    void applyRowHeight();
    void selectHeaderSection(Qt::Orientation orientation, int section, bool extend);
    // Makes the view's selection exactly the block between the current cell and the anchor.
    void enforceSelection();
    void reportCurrentCell();

    QAbstractButton *m_cornerButton = nullptr;
    QString m_cornerText;
    QModelIndex m_reported;
    int m_anchorRow = -1;
    int m_anchorColumn = -1;
    bool m_extending = false;
    bool m_enforcing = false;
    bool m_pressedOnCell = false;
    bool m_dragSelecting = false;
    bool m_rightPressedOnCell = false;
};

} // namespace quillon
