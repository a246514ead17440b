#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace quillon {

inline constexpr char kSylkMimeType[] = "application/x-openoffice-sylk;windows_formatname=\"Sylk\"";

struct ExchangeCell {
    QString text;
    std::optional<double> number;
};

struct ExchangeBlock {
    int rows = 0;
    int cols = 0;
    std::vector<ExchangeCell> cells;
    const ExchangeCell &at(int row, int col) const
    {
        return cells[static_cast<size_t>(row) * static_cast<size_t>(cols) + static_cast<size_t>(col)];
    }
};

QByteArray writeSylk(const ExchangeBlock &block);
std::optional<ExchangeBlock> readSylk(QByteArrayView data);
ExchangeBlock readTabText(QStringView text);

enum class PastedKind { Number, DecimalComma, Empty, NotANumber };
struct PastedValue {
    PastedKind kind = PastedKind::NotANumber;
    double value = 0;
};
PastedValue readPastedCell(const ExchangeCell &cell);

struct PasteReport {
    struct Count {
        int cells = 0;
        int firstMaterial = 0;
        int firstBand = 0;
        void add(int material, int band)
        {
            if (cells++ == 0) {
                firstMaterial = material;
                firstBand = band;
            }
        }
    };
    Count skippedText;
    Count skippedRange;
    Count decimalComma;
    Count outsideRange;
    double rangeTop = 0;
    bool lossyNames = false;
    QString message() const;
};

} // namespace quillon
