#pragma once
// GIF images, single-frame and animated. Reads "87a" and "89a" files with global and local
// colour tables, interlaced frames, graphic control, comment, plain text and application
// extensions (the loop count of "NETSCAPE2.0" and "ANIMEXTS1.0"); rejects other extension
// labels. Frames keep their LZW data as read and are decoded only when their pixels are needed.
// Writes non-interlaced frames, reducing rasters of more than 8 bits to 256 colours first.
//
// Bounds: at most DecodeLimits::maxFrames frames are read (later ones are dropped); a frame is decoded only
// within the width, height and pixel limits, and the logical screen and frame 0 are checked as soon as their
// descriptors are read, so a small file that claims a huge picture costs nothing. Damaged image data (a bad
// code size, bad codes, cut sub-blocks) only marks the frame corrupted.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "raster/bitmap.h"

namespace vexilo {

enum class GifVersion : std::uint8_t { None = 0, V87a = 1, V89a = 2 };

enum class GifExtensionKind : std::uint8_t {
    GraphicControl = 0,
    PlainText = 1,
    Application = 2,
    Comment = 3
};

constexpr std::uint8_t kGifExtensionIntroducer = 0x21;  // '!'
constexpr std::uint8_t kGifImageIntroducer = 0x2C;      // ','
constexpr std::uint8_t kGifTrailer = 0x3B;              // ';'
constexpr std::uint16_t kGifMaxLoopCount = 30000;
// The names under which the codec is known to the image framework and on the clipboard.
constexpr const char* kGifFormatName = "gif";
constexpr const char* kGifFormatDescription = "CompuServe GIF Image";
constexpr const char* kGifClipboardFormat = "GIF Image";

// One extension block as read: the fixed part after the label and the data sub-blocks.
struct TExtension {
    GifExtensionKind kind = GifExtensionKind::Comment;
    // Graphic control: 6 bytes (block size 4, packed, delay in 1/100 s little-endian,
    // transparent index, terminator 0); plain text: 13 bytes; application: 12 bytes (block
    // size 11, identifier, authentication code); comment: none.
    std::vector<std::uint8_t> fixed;
    std::vector<std::vector<std::uint8_t>> data;  // one string a sub-block

    std::uint8_t label() const;
    // A graphic control extension with block size 4 and everything else 0.
    static TExtension graphicControl();
};

using GifColorTable = std::vector<Color>;  // at most 256 entries

// Image-wide data, shared between copies of an image until one of them changes it.
struct TGIFData {
    std::uint8_t aspectRatio = 0;
    int bitsPerPixel = 1;      // of the global table, 1 to 8
    int colorResolution = 1;   // 1 to 8
    GifColorTable colorTable;  // empty: no global table
    std::vector<std::string> comment;
};

// A frame's encoded image, shared between copies of a frame.
struct TGIFItem {
    std::vector<std::uint8_t> encoded;  // LZW minimum code size, data sub-blocks, terminator
    int bitsPerPixel = 0;               // 1 to 8; 0 when no colour table applies
    int width = 0, height = 0;
    std::uint8_t packed = 0;  // the image descriptor's packed byte
    GifColorTable colorTable;
};

enum class GifProgressStage { Starting, Running, Ending };
// Percent is 0 at the start, 0 to 100 while running, 100 at a good end and 0 with the error
// text at a failed one.
using GifProgress = std::function<void(GifProgressStage stage, int percent, const std::string& message)>;

class TGIFImage;

class TGIFFrame {
public:
    explicit TGIFFrame(TGIFImage* image);
    // A copy for another image, sharing the encoded data.
    TGIFFrame(const TGIFFrame& other, TGIFImage* image);
    TGIFFrame(const TGIFFrame&) = delete;
    TGIFFrame& operator=(const TGIFFrame&) = delete;

    TGIFImage* image() const { return m_image; }

    // The frame's place, timing and look, as the player uses them.
    int left = 0, top = 0;
    std::vector<TExtension> extensions;
    int delayMs = 0;
    int disposal = 0;  // 0 to 7
    std::optional<Color> transparentColor;
    // The table index behind transparentColor, as the file's graphic control extension gave it.
    std::optional<std::uint8_t> transparentIndex;
    bool interlaced = false;
    bool localColorTable = false;
    bool corrupted = false;

    int width() const;
    int height() const;
    const TGIFItem& item() const { return *m_item; }
    TGIFItem& mutableItem();  // stops sharing the item with copies of the frame
    bool hasEncodedData() const { return !m_item->encoded.empty(); }

    // The frame's raster (1, 4 or 8 bits with the frame's colour table), decoded on first use.
    // Throws DecodeError when it cannot be decoded; damaged data gives a partial raster and
    // sets `corrupted`. An empty raster when the frame holds neither pixels nor data.
    const Bitmap& bitmap();
    bool hasBitmap() const { return m_bitmap.has_value(); }
    // Frees the decoded pixels of a frame that keeps its encoded data.
    void releaseBitmap();
    // The raster as bitmap() gives it, moved out rather than copied; a frame that keeps its
    // encoded data decodes again on its next use, one without gives an empty raster then.
    Bitmap takeBitmap();

    // Makes the frame show the raster: an empty one empties the frame; the encoded data is
    // dropped and made again when the image is saved. A transparent raster gives its
    // transparent colour to the frame. The image's screen then covers all frames.
    void assign(const Bitmap& graphic);

    // LZW-encodes the raster, reduced to 256 colours when it has more than 8 bits. Throws
    // ImageError "No GIF Data to write" without a raster.
    void encode();

private:
    friend class TGIFImage;
    TGIFImage* m_image;
    std::shared_ptr<TGIFItem> m_item;
    std::optional<Bitmap> m_bitmap;
};

class TGIFImage {
public:
    TGIFImage();
    // Copies share the image-wide data and each frame's encoded data.
    TGIFImage(const TGIFImage& other);
    TGIFImage& operator=(const TGIFImage& other);
    ~TGIFImage();

    // Back to no frames, version none, no background, no looping, loop count 1.
    void clear();

    // Reads a whole GIF file from memory. Throws DecodeError with the texts "Unknown GIF
    // version", "Unrecognized extension block: xx", "Stream read error" or a truncation; when
    // frame 0 cannot be decoded it is removed and the error goes on.
    void loadFromBytes(std::span<const std::uint8_t> bytes,
                       const DecodeLimits& limits = kDefaultDecodeLimits);
    void loadFromFile(const std::string& path, const DecodeLimits& limits = kDefaultDecodeLimits);
    // Encodes what is not encoded yet and writes the file. Throws ImageError ("No GIF Data to
    // write", "Wrong number of colors; must be a power of 2", "GIF image encoding error").
    std::vector<std::uint8_t> saveToBytes();
    void saveToFile(const std::string& path);  // atomic: an existing file stays whole on failure

    void assign(const TGIFImage& other);
    // A reset image with one frame showing the raster.
    void assign(const Bitmap& bitmap);

    // Appends a frame showing the raster and makes it current: version "87a" when none is set,
    // "89a" once there is more than one frame.
    TGIFFrame& addFrame(const Bitmap& graphic);
    void removeFrame(int index);

    int frameCount() const { return static_cast<int>(m_frames.size()); }
    TGIFFrame& frame(int index) { return *m_frames.at(static_cast<std::size_t>(index)); }
    const TGIFFrame& frame(int index) const { return *m_frames.at(static_cast<std::size_t>(index)); }
    int currentFrame() const { return m_currentFrame; }
    void setCurrentFrame(int index);

    const TGIFData& data() const { return *m_data; }
    TGIFData& mutableData();  // stops sharing the data with copies of the image

    GifVersion version() const { return m_version; }
    void setVersion(GifVersion v) { m_version = v; }
    int screenWidth() const { return m_screenWidth; }
    int screenHeight() const { return m_screenHeight; }
    // The largest right and bottom edge over all frames (at most 65535).
    void recomputeScreenSize();
    // The screen size of a GIF image follows its frames: this always throws ImageError
    // "Cannot change the Size of a GIF image".
    [[noreturn]] void setSize(int width, int height);

    std::optional<Color> background() const { return m_background; }
    // The logical screen descriptor's background colour index, as read.
    std::uint8_t backgroundIndex() const { return m_backgroundIndex; }
    void setBackground(std::optional<Color> c) { m_background = c; }
    bool looping() const { return m_looping; }
    void setLooping(bool on) { m_looping = on; }
    std::uint16_t loopCount() const { return m_loopCount; }  // 0 means forever
    void setLoopCount(std::uint16_t n) { m_loopCount = n; }
    bool paletteModified() const { return m_paletteModified; }
    void setPaletteModified(bool on) { m_paletteModified = on; }
    bool transparent() const { return m_transparent; }
    void setTransparent(bool on) { m_transparent = on; }

    void setProgress(GifProgress progress) { m_progress = std::move(progress); }
    const GifProgress& progress() const { return m_progress; }

    const DecodeLimits& limits() const { return m_limits; }

private:
    friend class TGIFFrame;
    void readStream(std::span<const std::uint8_t> bytes);
    void copyFrom(const TGIFImage& other);

    std::vector<std::unique_ptr<TGIFFrame>> m_frames;
    std::shared_ptr<TGIFData> m_data;
    GifVersion m_version = GifVersion::None;
    int m_screenWidth = 0, m_screenHeight = 0;
    int m_currentFrame = -1;
    std::optional<Color> m_background;
    std::uint8_t m_backgroundIndex = 0;
    bool m_looping = false;
    std::uint16_t m_loopCount = 1;
    bool m_paletteModified = false;
    bool m_transparent = true;
    DecodeLimits m_limits = kDefaultDecodeLimits;
    GifProgress m_progress;
};

// Decodes one frame's encoded data into a raster of 1, 4 or 8 bits per pixel with the item's
// colour table (padded with (128, 128, 128)). Sets `corrupted` for damaged data.
Bitmap decodeGifItem(const TGIFItem& item, bool interlaced, bool& corrupted,
                     const DecodeLimits& limits = kDefaultDecodeLimits);

// The save path of the program: the raster as a one-frame GIF file, reduced to 256 colours
// when it has more than 8 bits. Throws ImageError.
std::vector<std::uint8_t> writeGif(const Bitmap& bitmap);
// Frame 0 as it shows on the logical screen: in the frame's own pixel format and palette, placed
// at its offset and clipped to the screen; the area it leaves uncovered takes the frame's
// transparent index when it has one, else the background colour's index. A screen side of 0
// takes the frame's. The screen is checked against the image's limits before it is allocated.
// Throws DecodeError (no frame, limits, a frame that cannot be decoded).
Bitmap firstFrameOnScreen(TGIFImage& image);

// The first frame of a GIF file, placed on its logical screen. Throws DecodeError.
Bitmap readGif(std::span<const std::uint8_t> file, const DecodeLimits& limits = kDefaultDecodeLimits);

}  // namespace vexilo
