#pragma once
// The found-image rows as a plain model: one caption and one FoundImage per row, and the two
// thumbnail lists the rows point into. A window shows it; it draws nothing itself.
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "raster/bitmap.h"
#include "search/found_image.h"

namespace vexilo::search {

// How many rows keep their thumbnails at once: enough for every row a view shows, so a list of
// 100,000 rows costs its rows, not their pictures. The others are made again when asked for.
constexpr std::size_t kKeptThumbnails = 1024;

// The thumbnail cell sizes at start-up.
constexpr int kLargeCellSize = 32;
constexpr int kSmallCellSize = 16;

// The keys of the sort table: finding order, caption, extension, size, date, time, folder.
namespace sortkey {
constexpr std::uint8_t Finding = 0, Name = 1, Extension = 2, Size = 3, Date = 4, Time = 5, Path = 6;
}  // namespace sortkey
constexpr int kSortKeyCount = 7;

// The columns, in order.
enum class Column { Name, Size, Date, Time, Path };

// Thumbnails of one cell size, addressed by a row's ImageIndex. A position without a picture
// (the list was emptied by a cell size change) reads as null.
class ImageList {
public:
    ImageList(int width, int height) : m_width(width), m_height(height) {}
    int width() const { return m_width; }
    int height() const { return m_height; }
    // A new cell size empties the list; rows keep their index and show nothing until rescanned.
    void setCellSize(int width, int height);
    // The screen's device pixel ratio: the pictures hold that many pixels per cell pixel, so a
    // 32 px cell keeps 64 px at 200 % and is drawn sharp. A new ratio empties the list too.
    void setPixelRatio(double ratio);
    double pixelRatio() const { return m_ratio; }
    int pixelWidth() const { return scaled(m_width); }
    int pixelHeight() const { return scaled(m_height); }
    // Stretches the picture over the whole cell's pixels (no aspect ratio kept) and stores it
    // at index.
    void put(std::int32_t index, const Bitmap& picture);
    const Bitmap* at(std::int32_t index) const;
    std::size_t count() const { return m_images.size(); }
    void clear() {
        m_images.clear();
        m_kept.clear();
        m_dropped.clear();
    }
    // True when the position held a picture that was let go to bound the memory.
    bool dropped(std::int32_t index) const {
        return index >= 0 && static_cast<std::size_t>(index) < m_dropped.size() &&
               m_dropped[static_cast<std::size_t>(index)];
    }

private:
    int scaled(int side) const { return static_cast<int>(side * m_ratio + 0.5); }
    int m_width, m_height;
    double m_ratio = 1.0;
    std::vector<Bitmap> m_images;     // an empty Bitmap marks a position without a picture
    std::deque<std::int32_t> m_kept;  // positions holding a picture, oldest first
    std::vector<bool> m_dropped;
};

struct FoundRow {
    std::string caption;  // the file name, or name + " (" + icon number + ")"
    FoundImage image;
};

enum class ListChange { Reset, Append, Remove, Sort };

class FoundImageList {
public:
    FoundImageList();

    std::size_t size() const { return m_rows.size(); }
    bool empty() const { return m_rows.empty(); }
    const FoundRow& row(std::size_t i) const { return m_rows.at(i); }
    const std::vector<FoundRow>& rows() const { return m_rows; }
    // The text of a column: caption, size, date, time, folder.
    std::string columnText(std::size_t row, Column column) const;

    ImageList& largeImages() { return m_large; }
    ImageList& smallImages() { return m_small; }
    const ImageList& largeImages() const { return m_large; }
    const ImageList& smallImages() const { return m_small; }
    // The thumbnails of a row; null where the list holds none. A thumbnail let go to bound the
    // memory is made again through remakeThumbnail.
    const Bitmap* largeThumbnail(std::size_t row) const { return thumbnail(m_large, row); }
    const Bitmap* smallThumbnail(std::size_t row) const { return thumbnail(m_small, row); }
    // Makes a row's picture again (the scan's own rules); nullopt when it has none.
    std::function<std::optional<Bitmap>(const FoundRow&)> remakeThumbnail;

    // Both image lists at the screen's device pixel ratio (see ImageList::setPixelRatio).
    void setPixelRatio(double ratio) {
        m_large.setPixelRatio(ratio);
        m_small.setPixelRatio(ratio);
    }

    // Removes every row and both image lists' pictures; image indexes start again at 0.
    void clear();
    // Appends a row at the next image index, with both thumbnails stretched from picture
    // (none when picture is null). Returns the row's position.
    std::size_t addRow(std::string caption, FoundImage record, const Bitmap* picture);
    // Removes one row (a file command deleted its file); other rows keep their image index.
    void removeRow(std::size_t row);

    // Three-way comparison of two rows by a sort key (0 for equal keys).
    static int ListView1Compare(const FoundRow& a, const FoundRow& b, std::uint8_t sortKey);
    // Ascending stable sort: rows with equal keys keep their present order. `natural` compares
    // names and folders with compareNatural.
    void sort(std::uint8_t sortKey, bool natural = false);

    // Told before and after every change, with the row concerned (0 for Reset and Sort), so a
    // view model can bracket it.
    std::function<void(ListChange, std::size_t row)> onChanging;
    std::function<void(ListChange, std::size_t row)> onChanged;

private:
    const Bitmap* thumbnail(ImageList& list, std::size_t row) const;
    void changing(ListChange c, std::size_t row) {
        if (onChanging) onChanging(c, row);
    }
    void changed(ListChange c, std::size_t row) {
        if (onChanged) onChanged(c, row);
    }

    std::vector<FoundRow> m_rows;
    // Mutable: asking for a thumbnail that was let go makes it again.
    mutable ImageList m_large{kLargeCellSize, kLargeCellSize};
    mutable ImageList m_small{kSmallCellSize, kSmallCellSize};
    std::int32_t m_nextImageIndex = 0;
};

// The extension of a caption as the sort uses it: the text after the last ".", upper-cased;
// empty when there is no dot.
std::string sortExtension(const std::string& caption);

// Natural order: runs of digits compare as numbers ("img2" before "img10", "a007" equal to
// "a7"), everything else byte by byte. Answers <0, 0 or >0.
int compareNatural(std::string_view a, std::string_view b);

}  // namespace vexilo::search
