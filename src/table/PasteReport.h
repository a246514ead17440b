#pragma once

#include "MaterialLibrary.h"

#include <QString>
#include <array>

namespace quillon {

enum class PasteNote {
    SkippedText,       // held no number; the cell kept its value and its text
    SkippedOutOfRange, // not finite, or a "Sabine" value without a "True" counterpart
    DecimalComma,
    OutsideUsualRange, // stored, but outside the tab's usual range
};

// What one paste has to tell the user, with the first cell of each kind.
class PasteReport {
public:
    explicit PasteReport(Quantity quantity) : m_quantity(quantity) {}

    // row is the table row (material n), band 1 to 10.
    void note(PasteNote what, int row, int band);
    // Notes a value just stored on an absorption tab when it lies outside the tab's usual range.
    void checkStored(int row, int band, double value);
    // What a paste read by band frequency, said before the notes.
    void setSummary(const QString &summary) { m_summary = summary; }

    // The one message for the paste; empty when there is nothing to report.
    QString message() const;

private:
    struct Tally {
        int count = 0;
        int row = 0;
        int band = 0;
    };
    static constexpr size_t index(PasteNote what) { return static_cast<size_t>(what); }

    Quantity m_quantity;
    QString m_summary;
    std::array<Tally, 4> m_tallies{};
};

} // namespace quillon
