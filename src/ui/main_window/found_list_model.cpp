#include "ui/main_window/found_list_model.h"

#include <QMimeData>
#include <QPixmap>
#include <QUrl>
#include <unordered_map>

#include "ui/platform/qimage_convert.h"

namespace vexilo {

using search::Column;
using search::ListChange;

FoundListModel::FoundListModel(search::FoundImageList& list, QObject* parent)
    : QAbstractTableModel(parent), m_list(list) {
    m_titles = {QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Date"),
                QStringLiteral("Time"), QStringLiteral("Path")};
    m_list.onChanging = [this](ListChange c, std::size_t row) {
        const int r = static_cast<int>(row);
        switch (c) {
            case ListChange::Reset:
                beginResetModel();
                break;
            case ListChange::Append:
                beginInsertRows({}, r, r);
                break;
            case ListChange::Remove:
                beginRemoveRows({}, r, r);
                break;
            case ListChange::Sort:
                emit layoutAboutToBeChanged();
                m_sortPersistent = persistentIndexList();
                m_sortKeep.clear();
                for (const auto& index : m_sortPersistent)
                    m_sortKeep.push_back(m_list.row(static_cast<std::size_t>(index.row())).image.ImageIndex);
                break;
        }
    };
    m_list.onChanged = [this](ListChange c, std::size_t) {
        switch (c) {
            case ListChange::Reset:
                m_icons.clear();
                endResetModel();
                break;
            case ListChange::Append:
                endInsertRows();
                break;
            case ListChange::Remove:
                endRemoveRows();
                break;
            case ListChange::Sort: {
                std::unordered_map<std::int32_t, int> rowOf;
                rowOf.reserve(m_list.size());
                for (std::size_t i = 0; i < m_list.size(); ++i)
                    rowOf[m_list.row(i).image.ImageIndex] = static_cast<int>(i);
                QModelIndexList moved;
                for (qsizetype i = 0; i < m_sortPersistent.size(); ++i)
                    moved.push_back(
                        index(rowOf[m_sortKeep[static_cast<std::size_t>(i)]], m_sortPersistent[i].column()));
                changePersistentIndexList(m_sortPersistent, moved);
                m_sortPersistent.clear();
                m_sortKeep.clear();
                emit layoutChanged();
                break;
            }
        }
    };
}

FoundListModel::~FoundListModel() {
    m_list.onChanging = nullptr;
    m_list.onChanged = nullptr;
}

int FoundListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_list.size());
}

int FoundListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(detailColumns().size());
}

QIcon FoundListModel::iconFor(std::size_t row) const {
    const std::int32_t at = m_list.row(row).image.ImageIndex;
    if (at < 0) return {};
    const auto slot = static_cast<std::size_t>(at);
    if (slot < m_icons.size() && !m_icons[slot].isNull()) return m_icons[slot];
    QIcon icon;
    // Pictures made at the screen's pixel ratio are drawn at the cell size, pixel for pixel.
    const auto add = [&](const Bitmap* picture, double ratio) {
        if (!picture) return;
        QPixmap pixmap = QPixmap::fromImage(toQImage(*picture));
        pixmap.setDevicePixelRatio(ratio);
        icon.addPixmap(pixmap);
    };
    add(m_list.largeThumbnail(row), m_list.largeImages().pixelRatio());
    add(m_list.smallThumbnail(row), m_list.smallImages().pixelRatio());
    if (slot >= m_icons.size()) m_icons.resize(slot + 1);
    m_icons[slot] = icon;
    return icon;
}

QVariant FoundListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const auto row = static_cast<std::size_t>(index.row());
    const Column column = detailColumns()[static_cast<std::size_t>(index.column())].column;
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(m_list.columnText(row, column));
        case Qt::DecorationRole:
            if (column == Column::Name) return iconFor(row);
            break;
        case Qt::ToolTipRole:
            return QString::fromStdString(m_list.row(row).image.path());
        case Qt::TextAlignmentRole:
            if (column == Column::Size) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
            break;
        default:
            break;
    }
    return {};
}

QVariant FoundListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_titles.size())
        return m_titles[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

void FoundListModel::thumbnailsChanged() {
    m_icons.clear();
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DecorationRole});
}

void FoundListModel::setColumnTitles(const QStringList& titles) {
    m_titles = titles;
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

QSize FoundListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    if (m_fixed.isValid()) return m_fixed;
    const QString text = index.data(Qt::DisplayRole).toString();
    const int w = m_icon.width() + 24 + option.fontMetrics.horizontalAdvance(text);  // icon and text margins
    return {w, std::max(m_icon.height(), option.fontMetrics.height()) + 4};
}

Qt::ItemFlags FoundListModel::flags(const QModelIndex& index) const {
    const Qt::ItemFlags f = QAbstractTableModel::flags(index);
    return index.isValid() ? f | Qt::ItemIsDragEnabled : f;
}

QStringList FoundListModel::mimeTypes() const {
    return {QStringLiteral("text/uri-list")};
}

QMimeData* FoundListModel::mimeData(const QModelIndexList& indexes) const {
    QList<QUrl> urls;
    for (const QModelIndex& index : indexes) {
        if (!index.isValid() || static_cast<std::size_t>(index.row()) >= m_list.size()) continue;
        // Icons inside one library are rows of one file.
        const QUrl url = QUrl::fromLocalFile(
            QString::fromStdString(m_list.row(static_cast<std::size_t>(index.row())).image.path()));
        if (!urls.contains(url)) urls << url;
    }
    if (urls.isEmpty()) return nullptr;
    auto* mime = new QMimeData;
    mime->setUrls(urls);
    return mime;
}

}  // namespace vexilo
