#include "MaterialTransfer.h"

#include "LibraryDocument.h"

#include <QMimeData>
#include <QUndoCommand>

namespace quillon {

void offerWholeMaterials(QMimeData &data, const MaterialLibrary &library, int first, int last)
{
    data.setData(QString::fromLatin1(kMaterialsMimeType),
                 materialsJson(library, materialIndex(first), materialIndex(last)));
}

// Writes whole materials over a run of slots; undo puts back what the slots held.
class WholeMaterialsStep : public QUndoCommand {
public:
    WholeMaterialsStep(LibraryDocument &document, int firstIndex,
                       std::vector<WholeMaterial> materials)
        : QUndoCommand(QStringLiteral("paste of %1 materials").arg(materials.size())),
          m_document(document), m_first(firstIndex), m_after(std::move(materials))
    {
        const MaterialLibrary &library = *document.m_library;
        m_countBefore = library.materialCount;
        for (size_t i = 0; i < m_after.size(); ++i)
            m_before.push_back(wholeMaterial(library, m_first + int(i)));
    }

    static void push(LibraryDocument &document, int firstIndex,
                     std::vector<WholeMaterial> materials)
    {
        document.push(new WholeMaterialsStep(document, firstIndex, std::move(materials)));
    }

    void redo() override { put(m_after, std::max(m_countBefore, last())); }
    void undo() override { put(m_before, m_countBefore); }

private:
    int last() const { return m_first + int(m_after.size()) - 1; }
    void put(const std::vector<WholeMaterial> &materials, int count)
    {
        MaterialLibrary &library = *m_document.m_library;
        for (size_t i = 0; i < materials.size(); ++i)
            storeWholeMaterial(library, m_first + int(i), materials[i]);
        library.materialCount = count;
        MaterialChange change{materialNumber(m_first), materialNumber(last())};
        change.names = change.colors = change.groups = true;
        emit m_document.materialsChanged(change);
    }

    LibraryDocument &m_document;
    int m_first;
    std::vector<WholeMaterial> m_after;
    std::vector<WholeMaterial> m_before;
    int m_countBefore = 0;
};

std::optional<WholeMaterialsPaste> pasteWholeMaterials(LibraryDocument &document, int first,
                                                       const QMimeData &data)
{
    const QString type = QString::fromLatin1(kMaterialsMimeType);
    if (!data.hasFormat(type))
        return std::nullopt;
    WholeMaterialsPaste paste;
    auto materials = readMaterialsJson(data.data(type));
    if (!materials) {
        paste.message = QStringLiteral("The materials on the clipboard could not be read: "
                                       "nothing was pasted.");
        return paste;
    }
    const int count = int(materials->size());
    if (document.isReadOnly() || !document.isLoaded())
        return paste;
    if (first < 0 || first + count > kMaxMaterials) {
        paste.message = QStringLiteral("%1 materials do not fit from material %2 on: the last "
                                       "material is %3. Nothing was pasted.")
                            .arg(count)
                            .arg(first)
                            .arg(kMaxMaterials - 1);
        return paste;
    }
    WholeMaterialsStep::push(document, materialIndex(first), std::move(*materials));
    paste = {true, first, first + count - 1,
             count == 1 ? QStringLiteral("1 material pasted as %1").arg(first)
                        : QStringLiteral("%1 materials pasted as %2 to %3")
                              .arg(count)
                              .arg(first)
                              .arg(first + count - 1)};
    return paste;
}

} // namespace quillon
