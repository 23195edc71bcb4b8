#include "platform/QtChoiceDialog.h"

#include <QFontMetrics>
#include <QInputDialog>

#include <QStringList>
#include <algorithm>

namespace platform {

std::optional<size_t> QtChoiceDialog::choose(const ChoiceOptions& options) {
    if (options.items.empty())
        return std::nullopt;
    QStringList items;
    for (const std::string& item : options.items)
        items << QString::fromStdString(item);
    // Two lines may read the same; the dialog only gives back the text.
    for (qsizetype i = 0; i < items.size(); ++i)
        if (items.indexOf(items[i]) != i)
            items[i] += QStringLiteral(" (%1)").arg(i + 1);
    QInputDialog dialog(parent_);
    dialog.setWindowTitle(QString::fromStdString(options.title));
    dialog.setLabelText(QString::fromStdString(options.label));
    dialog.setOption(QInputDialog::UseListViewForComboBoxItems);
    dialog.setComboBoxItems(items);
    dialog.setTextValue(items.value(static_cast<qsizetype>(std::min(options.preselected, options.items.size() - 1))));
    // Wide enough for the longest line, within reason, so that it reads without scrolling.
    int widest = 0;
    for (const QString& item : items)
        widest = std::max(widest, dialog.fontMetrics().horizontalAdvance(item));
    dialog.resize(std::clamp(widest + 64, dialog.sizeHint().width(), 960), dialog.sizeHint().height());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const qsizetype chosen = items.indexOf(dialog.textValue());
    if (chosen < 0)
        return std::nullopt;
    return static_cast<size_t>(chosen);
}

} // namespace platform
