// The texts of the developer tools that are computed from data: whole
// numbers in the "%lld" form, the box line of an inspected node, the lines of
// the Network pane, and the rows the Elements tree shows. Pure functions.
#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

#include "loading/page_document.h"
#include "network/network_transport.h"

namespace DevToolsText {

// `value` truncated toward zero and written in plain decimal with a leading
// "-" when negative; "—" when it is not finite or lies outside the signed
// 64-bit range, which no real box or clock gives.
QString wholeNumber(double value);

// "W × H px · x X · y Y", each value truncated toward zero.
QString boxLine(const InspectorBounds& bounds);

// One line of the Network pane and whether it is drawn in the muted colour.
struct NetworkLine {
  QString text;
  bool muted = false;
  bool selectable = false;
};
// The lines for the tab's main response, or the two lines for none.
QList<NetworkLine> networkLines(const std::optional<NetworkResponse>& response);

// True when `node` is a text node holding only white space and line breaks.
bool isBlankText(const InspectedNode& node);

// The indices into `nodes` of the nodes that get a row, in order: blank text
// nodes get none, and a collapsed node hides every following node of greater
// depth up to the first one whose depth is not greater. One pass, one set
// lookup per kept row.
QList<qsizetype> visibleRows(const QList<InspectedNode>& nodes, const QSet<qint64>& collapsed);

// The ids of the nodes that are some node's parent, over the whole list.
QSet<qint64> parentIDs(const QList<InspectedNode>& nodes);

}  // namespace DevToolsText
