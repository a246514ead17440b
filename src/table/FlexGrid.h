#pragma once

#include "MaterialLibrary.h"

#include <QAbstractTableModel>
#include <QString>
#include <QTableView>

#include <vector>

class QAbstractButton;

namespace quillon {

// Cell texts and per-cell text colours of a rows x cols grid. Grid row 0 is the horizontal
// header and grid column 0 the vertical header; model index (r, c) is grid cell (r + 1, c + 1).
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // textColor() of a cell without a colour of its own; setTextColor() with it removes the colour.
    static constexpr MaterialColor kNoTextColor = -1;

    explicit GridModel(QObject *parent = nullptr);

    int gridRows() const { return m_rows; }
    int gridCols() const { return m_cols; }
    // Resizing keeps the texts of cells that stay, empties new ones, and resets the model.
    void setGridSize(int rows, int cols);

    // Cells outside the grid read as the empty text.
    const QString &text(int row, int col) const;
    // Notifies the view of this one cell.
    void setText(int row, int col, const QString &text);
    // For bulk writes: no notification; call notifyChanged once afterwards.
    void setTextSilently(int row, int col, const QString &text);
    // One notification for the block between the two corners (grid coordinates, either order).
    void notifyChanged(int firstRow, int firstCol, int lastRow, int lastCol);

    // The tooltip of a column's heading.
    void setHeaderToolTip(int col, const QString &toolTip);

    // 0x00BBGGRR; kNoTextColor for cells drawn in the table's text colour.
    MaterialColor textColor(int row, int col) const;
    bool hasTextColor(int row, int col) const;
    void setTextColor(int row, int col, MaterialColor color);
    void setTextColorSilently(int row, int col, MaterialColor color);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

signals:
    // The text of cell (0, 0), which belongs to neither header, has changed.
    void cornerTextChanged();

private:
    bool contains(int row, int col) const
    {
        return row >= 0 && row < m_rows && col >= 0 && col < m_cols;
    }
    size_t slot(int row, int col) const
    {
        return static_cast<size_t>(row) * static_cast<size_t>(m_cols) + static_cast<size_t>(col);
    }

    int m_rows = 0;
    int m_cols = 0;
    std::vector<QString> m_texts;
    std::vector<MaterialColor> m_colors;
    std::vector<QString> m_headerToolTips;
};

// The material table: a grid with a fixed header row and number column, a current cell and a
// selection end, column widths in twips, and the block text of its selection.
class FlexGrid : public QTableView {
    Q_OBJECT
public:
    explicit FlexGrid(QWidget *parent = nullptr);

    GridModel *gridModel() const { return m_model; }

    int rows() const { return m_model->gridRows(); }
    int cols() const { return m_model->gridCols(); }
    // Keeps the current cell where it stays inside the grid, otherwise moves it to the nearest
    // cell; a grid with cells always has a current cell.
    void setGridSize(int rows, int cols);

    QString textMatrix(int row, int col) const { return m_model->text(row, col); }
    void setTextMatrix(int row, int col, const QString &text) { m_model->setText(row, col, text); }

    // The current cell (never in row 0 or column 0; 0 when the grid has no cells) and the
    // other corner of the selected block.
    int row() const;
    int col() const;
    int rowSel() const;
    int colSel() const;
    // Moves the current cell and collapses the selection onto it; emits currentCellChanged
    // when the cell differs. Cells outside rows 1.. and columns 1.. are ignored.
    void setCurrentCell(int row, int col);
    // Keeps the current cell and selects the block from it to (rowSel, colSel), clamped to
    // the grid.
    void setSelectionEnd(int rowSel, int colSel);

    struct Block {
        int top = 0, left = 0, bottom = 0, right = 0;
    };
    Block selectedBlock() const;
    // Cells of the selected block: tabs between cells, carriage returns between rows.
    QString clip() const;

    int colWidthTwips(int col) const;
    void setColWidthTwips(int col, int twips);

    static int twipsToPixels(int twips, qreal logicalDpi);

    // Selects every cell, the current cell moving to (1, 1).
    void selectAll() override;
    void keyboardSearch(const QString &search) override;

signals:
    void currentCellChanged();
    void cellClicked();
    void cellDoubleClicked();
    // A character typed while the grid has the focus (its Unicode code).
    void characterTyped(QChar character);
    // Every key press on the grid: the Qt key and the shift state (1 Shift, 2 Ctrl, 4 Alt).
    void keyDown(int key, int shiftState);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void selectionChanged(const QItemSelection &selected,
                          const QItemSelection &deselected) override;

private:
    void applyColumnWidths();
    void applyRowHeight();
    void watchScreen();
    void selectHeaderSection(Qt::Orientation orientation, int section, bool extend);
    // Makes the view's selection exactly the block between the current cell and the
    // selection end.
    void enforceSelection();
    void reportCurrentCell();

    GridModel *m_model;
    QAbstractButton *m_cornerButton = nullptr;
    std::vector<int> m_colWidthsTwips;
    QMetaObject::Connection m_screenConnection;
    QMetaObject::Connection m_dpiConnection;
    int m_reportedRow = 0;
    int m_reportedCol = 0;
    int m_endRow = 0;
    int m_endCol = 0;
    bool m_extending = false;
    bool m_enforcing = false;
    bool m_pressedOnCell = false;
    bool m_dragSelecting = false;
    bool m_rightPressedOnCell = false;
};

} // namespace quillon
