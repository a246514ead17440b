#pragma once

// Blocks of table cells on the clipboard: as tab-separated text, SYLK and Gnumeric's flavour,
// and how their cells read when pasted.

#include "ExchangeBlock.h"
#include "MaterialLibrary.h"
#include "PasteReport.h"
#include "PastedNumbers.h"
#include "SylkFormat.h"

#include <QString>
#include <QStringView>

class QMimeData;

namespace quillon {

// Cells separated by tabs, rows by CR, LF or CR LF; a break after the last row adds no row.
// Short rows are filled up with empty cells. A cell quoted as spreadsheets quote one that holds
// a tab, a line break or a quote is unquoted, its tabs and breaks kept inside it.
ExchangeBlock readTabText(QStringView text);

// A pasted cell's text as a material name: the files hold a name on one line, so each line
// break becomes a blank.
QString pastedName(QString text);

// A copied block on the clipboard as the given plain text, as SYLK and as Gnumeric's flavour.
void offerBlock(QMimeData &data, const ExchangeBlock &block, const QString &text);

// What a paste reads: Gnumeric's flavour, else SYLK, else the text; a flavour that does not
// read falls back on the next.
ExchangeBlock readOfferedBlock(const QMimeData &data);

// A swatch in the structured flavours, where the swatch cell's own text would show as nothing.
QString colorHexText(MaterialColor color);

} // namespace quillon
