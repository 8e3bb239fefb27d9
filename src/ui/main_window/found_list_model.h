#pragma once
// The found-image rows as one Qt model over FoundImageList: the details view's columns
// (detailColumns()), both thumbnails as one icon per row. Rows are never copied into widget items; the
// model follows the list's change notices, and keeps the selection across a sort.
#include <QAbstractTableModel>
#include <QIcon>
#include <QStyledItemDelegate>
#include <vector>

#include "control/main_window/main_form.h"
#include "search/found_list.h"

namespace vexilo {

class FoundListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Hooks the list's change notices; the list must outlive the model.
    explicit FoundListModel(search::FoundImageList& list, QObject* parent = nullptr);
    ~FoundListModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Rows drag out as their files (text/uri-list), each file once.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;

    void setColumnTitles(const QStringList& titles);
    // The thumbnail lists changed (a new cell size emptied the large one): icons are made anew.
    void thumbnailsChanged();
    search::FoundImageList& list() { return m_list; }

private:
    QIcon iconFor(std::size_t row) const;

    search::FoundImageList& m_list;
    QStringList m_titles;
    mutable std::vector<QIcon> m_icons;    // by ImageIndex, made when first shown
    std::vector<std::int32_t> m_sortKeep;  // ImageIndex of each persistent index across a sort
    QModelIndexList m_sortPersistent;
};

// Item sizes without laying out each caption: the icon style's cells are all one size, and the
// list styles measure one line of text. Keeps a scan of many rows from spending its time here.
class FoundListDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    // A valid size makes every item that size; an invalid one measures icon + one text line.
    void setFixedItemSize(QSize size) { m_fixed = size; }
    void setIconSize(QSize size) { m_icon = size; }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    QSize m_fixed;
    QSize m_icon{16, 16};
};

}  // namespace vexilo
