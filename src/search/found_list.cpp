#include "search/found_list.h"

#include <algorithm>
#include <numeric>

#include "base/paths.h"
#include "base/text.h"
#include "raster/raster_ops.h"

namespace vexilo::search {

void ImageList::setCellSize(int width, int height) {
    if (width == m_width && height == m_height) return;
    m_width = width;
    m_height = height;
    clear();
}

void ImageList::setPixelRatio(double ratio) {
    // A ratio below 1 would throw pixels away; a huge one is no screen.
    ratio = std::clamp(ratio, 1.0, 8.0);
    if (ratio == m_ratio) return;
    m_ratio = ratio;
    clear();
}

void ImageList::put(std::int32_t index, const Bitmap& picture) {
    if (index < 0 || picture.empty() || m_width <= 0 || m_height <= 0) return;
    const auto at = static_cast<std::size_t>(index);
    if (at >= m_images.size()) m_images.resize(at + 1);
    Bitmap cell;
    StretchInto(picture, cell, pixelWidth(), pixelHeight());
    const bool fresh = m_images[at].empty();
    m_images[at] = std::move(cell);
    if (at < m_dropped.size()) m_dropped[at] = false;
    if (!fresh) return;
    m_kept.push_back(index);
    while (m_kept.size() > kKeptThumbnails) {
        const auto old = static_cast<std::size_t>(m_kept.front());
        m_kept.pop_front();
        if (old >= m_images.size() || m_images[old].empty()) continue;
        m_images[old] = Bitmap();
        if (old >= m_dropped.size()) m_dropped.resize(old + 1);
        m_dropped[old] = true;
    }
}

const Bitmap* ImageList::at(std::int32_t index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_images.size()) return nullptr;
    const Bitmap& b = m_images[static_cast<std::size_t>(index)];
    return b.empty() ? nullptr : &b;
}

FoundImageList::FoundImageList() = default;

const Bitmap* FoundImageList::thumbnail(ImageList& list, std::size_t i) const {
    const FoundRow& r = row(i);
    const std::int32_t index = r.image.ImageIndex;
    if (const Bitmap* kept = list.at(index)) return kept;
    if (!list.dropped(index) || !remakeThumbnail) return nullptr;
    const std::optional<Bitmap> picture = remakeThumbnail(r);
    if (!picture || picture->empty()) return nullptr;
    m_large.put(index, *picture);
    m_small.put(index, *picture);
    return list.at(index);
}

std::string FoundImageList::columnText(std::size_t i, Column column) const {
    const FoundRow& r = row(i);
    switch (column) {
        case Column::Name:
            return r.caption;
        case Column::Size:
            return formatSize(r.image.Size);
        case Column::Date:
            return formatDate(r.image.Date);
        case Column::Time:
            return formatTime(r.image.Time);
        case Column::Path:
            return r.image.Folder;
    }
    return {};
}

void FoundImageList::clear() {
    changing(ListChange::Reset, 0);
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_large.clear();
    m_small.clear();
    m_nextImageIndex = 0;
    changed(ListChange::Reset, 0);
}

std::size_t FoundImageList::addRow(std::string caption, FoundImage record, const Bitmap* picture) {
    record.ImageIndex = m_nextImageIndex++;
    if (picture) {
        m_large.put(record.ImageIndex, *picture);
        m_small.put(record.ImageIndex, *picture);
    }
    const std::size_t at = m_rows.size();
    changing(ListChange::Append, at);
    m_rows.push_back({std::move(caption), std::move(record)});
    changed(ListChange::Append, at);
    return at;
}

void FoundImageList::removeRow(std::size_t i) {
    if (i >= m_rows.size()) return;
    changing(ListChange::Remove, i);
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(i));
    changed(ListChange::Remove, i);
}

std::string sortExtension(const std::string& caption) {
    const std::string ext = fileExtension(caption);
    if (ext.empty()) return {};
    return upperCase(std::string_view(ext).substr(1));
}

namespace {
template <typename T>
int threeWay(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

int compareBytes(const std::string& a, const std::string& b) {
    const int c = a.compare(b);  // char_traits<char> compares as unsigned bytes
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}
}  // namespace

int FoundImageList::ListView1Compare(const FoundRow& a, const FoundRow& b, std::uint8_t sortKey) {
    switch (sortKey) {
        case sortkey::Name:
            return compareBytes(upperCase(a.caption), upperCase(b.caption));
        case sortkey::Extension:
            return compareBytes(sortExtension(a.caption), sortExtension(b.caption));
        case sortkey::Size:
            return threeWay(a.image.Size, b.image.Size);
        case sortkey::Date:
            return threeWay(a.image.Date, b.image.Date);
        case sortkey::Time:
            return threeWay(a.image.Time, b.image.Time);
        case sortkey::Path:
            return compareBytes(a.image.Folder, b.image.Folder);
        default:
            return threeWay(a.image.ImageIndex, b.image.ImageIndex);
    }
}

int compareNatural(std::string_view a, std::string_view b) {
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            while (i < a.size() && a[i] == '0') ++i;
            while (j < b.size() && b[j] == '0') ++j;
            std::size_t ei = i, ej = j;
            while (ei < a.size() && digit(a[ei])) ++ei;
            while (ej < b.size() && digit(b[ej])) ++ej;
            // Without leading zeros the longer run is the larger number; equal lengths compare
            // digit by digit.
            if (ei - i != ej - j) return ei - i < ej - j ? -1 : 1;
            if (const int c = a.substr(i, ei - i).compare(b.substr(j, ej - j)); c != 0) return c;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]) ? -1 : 1;
        ++i;
        ++j;
    }
    return (i < a.size()) - (j < b.size());
}

void FoundImageList::sort(std::uint8_t sortKey, bool natural) {
    changing(ListChange::Sort, 0);
    // The text keys are upper-cased once per row, not once per comparison.
    std::vector<std::string> keys;
    if (sortKey == sortkey::Name || sortKey == sortkey::Extension) {
        keys.reserve(m_rows.size());
        for (const auto& r : m_rows)
            keys.push_back(sortKey == sortkey::Name ? upperCase(r.caption) : sortExtension(r.caption));
    }
    natural = natural && (sortKey == sortkey::Name || sortKey == sortkey::Path);
    std::vector<std::size_t> order(m_rows.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    // Equal keys answer "not less", so the stable sort keeps such rows in their present order.
    std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
        if (natural && sortKey == sortkey::Path)
            return compareNatural(m_rows[x].image.Folder, m_rows[y].image.Folder) < 0;
        if (natural) return compareNatural(keys[x], keys[y]) < 0;
        if (!keys.empty()) return keys[x] < keys[y];
        return ListView1Compare(m_rows[x], m_rows[y], sortKey) < 0;
    });
    std::vector<FoundRow> sorted;
    sorted.reserve(m_rows.size());
    for (std::size_t i : order) sorted.push_back(std::move(m_rows[i]));
    m_rows = std::move(sorted);
    changed(ListChange::Sort, 0);
}

}  // namespace vexilo::search
