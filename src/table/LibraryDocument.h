#pragma once

#include "LibraryStorage.h"
#include "LumeoImport.h"
#include "MaterialLibrary.h"
#include "QuantityTraits.h"
#include "SpreadsheetExchange.h"

#include <QObject>
#include <QUndoStack>
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

class QMimeData;

namespace quillon {

// A material's fields in the order a row of exchanged cells gives them: the name, the colour,
// then bands 1 to 10.
inline constexpr int kNameField = 0;
inline constexpr int kColorField = 1;
inline constexpr int kFirstBandField = 2;
inline constexpr int kLastBandField = kFirstBandField + kBandCount - 1;
inline constexpr int kFieldCount = kLastBandField + 1;

// A block of materials (numbers 0 to 998) and fields, given by where it starts and its opposite
// corner.
struct MaterialBlock {
    int material = 0;
    int field = 0;
    int endMaterial = 0;
    int endField = 0;

    int first() const { return std::min(material, endMaterial); }
    int last() const { return std::max(material, endMaterial); }
    int firstField() const { return std::min(field, endField); }
    int lastField() const { return std::max(field, endField); }
    bool isSingle() const { return material == endMaterial && field == endField; }
    bool operator==(const MaterialBlock &) const = default;
};

// What one step changed, or put back: materials first..last (numbers), and in them their names,
// colours, the bands firstBand..lastBand of one value table, or all their values when their
// value groups changed.
struct MaterialChange {
    int first = 0;
    int last = -1;
    bool names = false;
    bool colors = false;
    bool groups = false;
    ValueTable table = ValueTable::Absorption;
    int firstBand = 1;
    int lastBand = 0; // below firstBand: no values
};

class LibraryStep;

// The library of one folder being edited, and its history. Every change is a step of the
// history; the library is saved when the history stands at its clean state.
class LibraryDocument : public QObject {
    Q_OBJECT
public:
    explicit LibraryDocument(const QString &folder = QString(), QObject *parent = nullptr);
    ~LibraryDocument() override;

    // The folder whose two files are loaded and saved; set before loading.
    void setFolder(const QString &folder);
    const QString &folder() const { return m_folder; }
    QString materialPath() const { return materialFilePath(m_folder); }
    QString colorPath() const { return colorFilePath(m_folder); }

    const MaterialLibrary &library() const { return *m_library; }
    QUndoStack &history() { return m_history; }
    bool isLoaded() const { return m_loaded; }
    bool isSaved() const { return m_loaded && m_history.isClean(); }

    // Reads both files; a library read in full starts an empty, saved history. May wait for
    // another program's lock.
    LoadOutcome load(LoadMode mode = LoadMode::ReadOnly);
    // Writes both files. Whatever a save must not replace without the user's word (files that
    // another program changed, files marked read-only) is put to agree; the files stay as they
    // are unless it says yes. May wait for another program's lock.
    using Consent = std::function<bool(const QString &question)>;
    SaveOutcome save(const Consent &agree, const SaveOptions &options = {});

    enum class EditResult { Stored, Unchanged, Refused, LossyName };
    // A value typed for a band of a material on a quantity's tab: it is stored as *shown
    // ("##0.0##") shows it.
    EditResult enterValue(int material, int band, Quantity quantity, const QString &typed,
                          QString *shown);
    EditResult rename(int material, const QString &typed);
    // An entry with no value of its own: the library reaches down to the material.
    void extendTo(int material);
    void recolour(int material, MaterialColor color);

    struct PasteOutcome {
        PasteReport report;
        bool lossyNames = false;
        MaterialBlock target; // a single field grows to the pasted block
    };
    PasteOutcome paste(const MaterialBlock &target, const ExchangeBlock &block, Quantity quantity);
    // Prefers Gnumeric's flavour, then SYLK, then the text.
    PasteOutcome paste(const MaterialBlock &target, const QMimeData &data, Quantity quantity);

    // Appends a material read from a Lumeo file: its number, none when the library is full.
    std::optional<int> importMaterial(const LumeoReadResult &values, const QString &name,
                                      bool *lossyName);

signals:
    void loaded();
    // A step was made, undone or redone.
    void materialsChanged(const MaterialChange &change);
    void savedChanged(bool saved);

private:
    friend class LibraryStep;
    void push(LibraryStep *step);
    void markSaved();

    QString m_folder;
    std::unique_ptr<MaterialLibrary> m_library;
    QUndoStack m_history;
    ImportColorSource m_importColors;
    LibraryStamps m_stamps;
    bool m_loaded = false;
};

} // namespace quillon
