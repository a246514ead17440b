#pragma once

#include "MaterialLibrary.h"

#include <QAbstractTableModel>
#include <QString>
#include <QTableView>

#include <vector>

namespace quillon {

// Cell texts and per-cell text colours of a rows x cols grid. Grid row 0 is the horizontal
// header and grid column 0 the vertical header; model index (r, c) is grid cell (r + 1, c + 1).
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(QObject *parent = nullptr);

    int gridRows() const { return m_rows; }
    int gridCols() const { return m_cols; }
    // Resizing keeps the texts of cells that stay, empties new ones, and resets the model.
    void setGridSize(int rows, int cols);

    const QString &text(int row, int col) const;
    // Notifies the view of this one cell.
    void setText(int row, int col, const QString &text);
    // For bulk writes: no notification; call notifyChanged once afterwards.
    void setTextSilently(int row, int col, const QString &text);
    void notifyChanged(int firstRow, int firstCol, int lastRow, int lastCol);

    // 0x00BBGGRR; cells without a colour of their own use the table's text colour (-1).
    MaterialColor textColor(int row, int col) const;
    bool hasTextColor(int row, int col) const;
    void setTextColor(int row, int col, MaterialColor color);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    size_t slot(int row, int col) const { return static_cast<size_t>(row) * m_cols + col; }

    int m_rows = 0;
    int m_cols = 0;
    std::vector<QString> m_texts;
    std::vector<MaterialColor> m_colors;
    std::vector<bool> m_hasColor;
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
    void setGridSize(int rows, int cols);

    QString textMatrix(int row, int col) const { return m_model->text(row, col); }
    void setTextMatrix(int row, int col, const QString &text) { m_model->setText(row, col, text); }

    // The current cell (never in row 0 or column 0) and the other corner of the selected block.
    int row() const;
    int col() const;
    int rowSel() const;
    int colSel() const;
    // Moves the current cell and collapses the selection onto it; emits currentCellChanged
    // when the cell differs.
    void setCurrentCell(int row, int col);
    // Keeps the current cell and selects the block from it to (rowSel, colSel).
    void setSelectionEnd(int rowSel, int colSel);

    // Cells of the selected block: tabs between cells, carriage returns between rows.
    QString clip() const;
    // Lays a block text into the selected block from its top left (a larger block from a
    // single selected cell grows the selection, clipped at the table's edges); cells that
    // get no text keep theirs. Returns the block that was written to.
    struct Block {
        int top = 0, left = 0, bottom = 0, right = 0;
    };
    Block selectedBlock() const;
    Block setClip(const QString &blockText);

    int colWidthTwips(int col) const;
    void setColWidthTwips(int col, int twips);

    static int twipsToPixels(int twips, qreal logicalDpi);

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
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void applyColumnWidths();

    GridModel *m_model;
    std::vector<int> m_colWidthsTwips;
};

} // namespace quillon
