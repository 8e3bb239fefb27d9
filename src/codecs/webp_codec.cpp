#include "codecs/webp_codec.h"

#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>

#include <algorithm>
#include <memory>
#include <string>

#include "base/errors.h"
#include "codecs/exif_orientation.h"

namespace vexilo {

namespace {

constexpr const char* kFormat = "WebP";

[[noreturn]] void refuse(const std::string& why) {
    throw DecodeError(std::string("WebP: ") + why);
}

struct DecoderDeleter {
    void operator()(WebPAnimDecoder* d) const { WebPAnimDecoderDelete(d); }
};
using Decoder = std::unique_ptr<WebPAnimDecoder, DecoderDeleter>;

// Opens the animation decoder (which reads still pictures too) once the canvas is known to be
// within the limits.
Decoder open(std::span<const std::uint8_t> data, const DecodeLimits& limits, WebPAnimInfo& info) {
    if (!looksLikeWebp(data)) refuse("not a WebP file");
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(data.data(), data.size(), &features) != VP8_STATUS_OK) refuse("damaged header");
    checkDimensions(kFormat, features.width, features.height, limits);
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) refuse("library version mismatch");
    options.color_mode = MODE_RGBA;
    options.use_threads = 0;
    const WebPData input{data.data(), data.size()};
    Decoder decoder(WebPAnimDecoderNew(&input, &options));
    if (!decoder || !WebPAnimDecoderGetInfo(decoder.get(), &info)) refuse("damaged file");
    checkDimensions(kFormat, info.canvas_width, info.canvas_height, limits);
    return decoder;
}

AlphaImage canvasImage(const std::uint8_t* rgba, int width, int height) {
    AlphaImage image;
    image.color.resetForOverwrite(width, height, PixelFormat::Device);
    const std::size_t count = std::size_t(width) * std::size_t(height);
    image.alpha.resize(count);
    auto& words = image.color.pixels();
    bool opaque = true;
    for (std::size_t i = 0; i < count; ++i, rgba += 4) {
        words[i] = (std::uint32_t{rgba[0]} << 16) | (std::uint32_t{rgba[1]} << 8) | rgba[2];
        image.alpha[i] = rgba[3];
        opaque = opaque && rgba[3] == 255;
    }
    if (opaque) image.alpha.clear();
    return image;
}

int orientationOf(std::span<const std::uint8_t> data) {
    const WebPData input{data.data(), data.size()};
    WebPDemuxer* demux = WebPDemux(&input);
    if (!demux) return 1;
    int orientation = 1;
    WebPChunkIterator chunk;
    if (WebPDemuxGetChunk(demux, "EXIF", 1, &chunk)) {
        std::span<const std::uint8_t> exif(chunk.chunk.bytes, chunk.chunk.size);
        // Some writers keep the JPEG-style "Exif\0\0" in front of the TIFF header.
        if (exif.size() >= 6 && std::equal(exif.begin(), exif.begin() + 4, "Exif")) exif = exif.subspan(6);
        orientation = exifOrientation(exif);
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    WebPDemuxDelete(demux);
    return orientation;
}

}  // namespace

bool looksLikeWebp(std::span<const std::uint8_t> head) {
    return head.size() >= 12 && std::equal(head.begin(), head.begin() + 4, "RIFF") &&
           std::equal(head.begin() + 8, head.begin() + 12, "WEBP");
}

AlphaImage decodeWebp(std::span<const std::uint8_t> data, const DecodeLimits& limits, bool turn) {
    WebPAnimInfo info;
    const Decoder decoder = open(data, limits, info);
    std::uint8_t* frame = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder.get(), &frame, &timestamp)) refuse("damaged picture data");
    AlphaImage image =
        canvasImage(frame, static_cast<int>(info.canvas_width), static_cast<int>(info.canvas_height));
    const int orientation = turn ? orientationOf(data) : 1;
    applyOrientation(image, orientation);
    return image;
}

WebpAnimation decodeWebpAnimation(std::span<const std::uint8_t> data, const DecodeLimits& limits) {
    WebPAnimInfo info;
    const Decoder decoder = open(data, limits, info);
    WebpAnimation animation;
    animation.loopCount = static_cast<int>(info.loop_count);
    const std::uint64_t framePixels = std::uint64_t{info.canvas_width} * info.canvas_height;
    std::uint64_t pixels = 0;
    int previous = 0;
    while (WebPAnimDecoderHasMoreFrames(decoder.get())) {
        if (animation.frames.size() >= limits.maxFrames) break;
        pixels += framePixels;
        if (pixels > limits.maxPixels) break;
        std::uint8_t* frame = nullptr;
        int timestamp = 0;
        if (!WebPAnimDecoderGetNext(decoder.get(), &frame, &timestamp)) break;
        animation.frames.push_back(
            canvasImage(frame, static_cast<int>(info.canvas_width), static_cast<int>(info.canvas_height)));
        animation.durationsMs.push_back(std::max(0, timestamp - previous));
        previous = timestamp;
    }
    if (animation.frames.empty()) refuse("damaged picture data");
    return animation;
}

std::vector<std::uint8_t> encodeWebp(const Bitmap& color, std::span<const std::uint8_t> alpha, int quality,
                                     bool lossless) {
    if (color.empty()) throw ImageError("WebP: nothing to write");
    const int w = color.width(), h = color.height();
    if (w > WEBP_MAX_DIMENSION || h > WEBP_MAX_DIMENSION)
        throw ImageError("WebP: a picture of " + std::to_string(w) + " x " + std::to_string(h) +
                         " pixels is larger than the format allows (" + std::to_string(WEBP_MAX_DIMENSION) +
                         " on each side)");
    const bool withAlpha = alpha.size() == std::size_t(w) * std::size_t(h);
    const int channels = withAlpha ? 4 : 3;
    std::vector<std::uint8_t> pixels(std::size_t(w) * std::size_t(h) * std::size_t(channels));
    std::size_t at = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Color c = color.pixel(x, y);
            pixels[at++] = c.r, pixels[at++] = c.g, pixels[at++] = c.b;
            if (withAlpha) pixels[at++] = alpha[std::size_t(y) * std::size_t(w) + std::size_t(x)];
        }
    std::uint8_t* output = nullptr;
    const int stride = w * channels;
    const float q = static_cast<float>(std::clamp(quality, 1, 100));
    const std::size_t size = lossless
                                 ? (withAlpha ? WebPEncodeLosslessRGBA(pixels.data(), w, h, stride, &output)
                                              : WebPEncodeLosslessRGB(pixels.data(), w, h, stride, &output))
                                 : (withAlpha ? WebPEncodeRGBA(pixels.data(), w, h, stride, q, &output)
                                              : WebPEncodeRGB(pixels.data(), w, h, stride, q, &output));
    if (size == 0) {
        WebPFree(output);
        throw ImageError("WebP: the picture could not be encoded");
    }
    std::vector<std::uint8_t> bytes(output, output + size);
    WebPFree(output);
    return bytes;
}

}  // namespace vexilo
