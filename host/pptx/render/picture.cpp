#include "host/pptx/render/picture.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <functional>
#include <list>
#include <tuple>
#include <vector>

#include <gif_lib.h>
#include <jerror.h>
#include <jpeglib.h>
#include <tiffio.h>

#include "host/pptx/package.h"
#include "host/pptx/render/metafile.h"
#include "media/image_loader.h"

namespace quillet::pptx::render {

namespace {

bool startsWith(std::span<const std::uint8_t> b, std::initializer_list<std::uint8_t> sig) {
    if (b.size() < sig.size()) return false;
    return std::equal(sig.begin(), sig.end(), b.begin());
}

DecodedPicture noPicture(std::string why) {
    DecodedPicture d;
    d.problem = std::move(why);
    return d;
}

bool sizeAllowed(std::uint64_t w, std::uint64_t h, std::uint64_t maxPixels) {
    return w > 0 && h > 0 && w <= kMaxPictureSide && h <= kMaxPictureSide && w * h <= maxPixels;
}

// An empty ARGB32 surface of w × h, null when cairo cannot make it.
Surface newSurface(std::uint32_t w, std::uint32_t h) {
    Surface s(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(w), static_cast<int>(h)));
    if (cairo_surface_status(s.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
    cairo_surface_flush(s.get());
    return s;
}

std::uint32_t* surfaceRow(cairo_surface_t* s, std::uint32_t y) {
    return reinterpret_cast<std::uint32_t*>(
        cairo_image_surface_get_data(s) +
        static_cast<std::size_t>(y) * static_cast<std::size_t>(cairo_image_surface_get_stride(s)));
}

std::uint32_t premultiplied(const std::uint8_t* rgba) {
    const std::uint32_t a = rgba[3];
    if (a == 255) return 0xFF000000u | std::uint32_t{rgba[0]} << 16 | rgba[1] << 8 | rgba[2];
    if (a == 0) return 0;
    const std::uint32_t r = (rgba[0] * a + 127) / 255;
    const std::uint32_t g = (rgba[1] * a + 127) / 255;
    const std::uint32_t b = (rgba[2] * a + 127) / 255;
    return (a << 24) | (r << 16) | (g << 8) | b;
}

// A surface from unpremultiplied RGBA rows; `opaque` takes every alpha as 255.
Surface fromRgba(std::uint32_t w, std::uint32_t h, const std::uint8_t* rgba, bool opaque = false) {
    Surface s = newSurface(w, h);
    if (!s) return nullptr;
    for (std::uint32_t y = 0; y < h; ++y) {
        std::uint32_t* row = surfaceRow(s.get(), y);
        const std::uint8_t* in = rgba + static_cast<std::size_t>(y) * w * 4;
        if (opaque) {
            for (std::uint32_t x = 0; x < w; ++x, in += 4)
                row[x] = 0xFF000000u | std::uint32_t{in[0]} << 16 | in[1] << 8 | in[2];
        } else {
            for (std::uint32_t x = 0; x < w; ++x, in += 4) row[x] = premultiplied(in);
        }
    }
    cairo_surface_mark_dirty(s.get());
    return s;
}

// A surface over the decoded pixels themselves, turned to premultiplied ARGB where they lie, so
// that a large picture is not held twice; it owns them. `opaque` takes every alpha as 255.
Surface inPlace(std::uint32_t w, std::uint32_t h, std::vector<std::uint8_t>&& rgba, bool opaque) {
    const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, static_cast<int>(w));
    if (stride != static_cast<int>(w) * 4 || rgba.size() < std::size_t{w} * h * 4)
        return fromRgba(w, h, rgba.data(), opaque);
    std::uint8_t* data = rgba.data();
    for (std::size_t i = 0, n = std::size_t{w} * h; i < n; ++i) {
        std::uint8_t* p = data + i * 4;
        const std::uint32_t argb =
            opaque ? 0xFF000000u | std::uint32_t{p[0]} << 16 | p[1] << 8 | p[2] : premultiplied(p);
        std::memcpy(p, &argb, 4);
    }
    auto owned = std::make_unique<std::vector<std::uint8_t>>(std::move(rgba));
    Surface s(cairo_image_surface_create_for_data(
        owned->data(), CAIRO_FORMAT_ARGB32, static_cast<int>(w), static_cast<int>(h), stride));
    static cairo_user_data_key_t pixelsKey;
    if (cairo_surface_status(s.get()) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_set_user_data(s.get(), &pixelsKey, owned.get(), [](void* pixels) {
            std::default_delete<std::vector<std::uint8_t>>()(
                static_cast<std::vector<std::uint8_t>*>(pixels));
        }) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    owned.release();  // the surface frees the pixels with itself
    return s;
}

// A surface from indices into a table of unpremultiplied RGBA entries; indices past the table
// give transparent pixels.
Surface fromIndexed(std::uint32_t w, std::uint32_t h, const std::uint8_t* indices,
                    const std::vector<std::uint8_t>& table) {
    std::uint32_t colours[256] = {};
    const std::size_t entries = std::min<std::size_t>(256, table.size() / 4);
    for (std::size_t e = 0; e < entries; ++e) colours[e] = premultiplied(&table[e * 4]);
    Surface s = newSurface(w, h);
    if (!s) return nullptr;
    for (std::uint32_t y = 0; y < h; ++y) {
        std::uint32_t* row = surfaceRow(s.get(), y);
        const std::uint8_t* in = indices + static_cast<std::size_t>(y) * w;
        for (std::uint32_t x = 0; x < w; ++x) row[x] = colours[in[x]];
    }
    cairo_surface_mark_dirty(s.get());
    return s;
}

DecodedPicture viaMediaLoader(std::span<const std::uint8_t> bytes, std::uint64_t maxPixels) {
    DecodedPicture out;
    auto loader = media::createImageLoader(media::ImageLoader::NoKey, media::ImageLoader::NoKey,
                                           media::ImageLoader::NoKey, maxPixels);
    loader->setDiagnostics(nullptr);
    if (loader->decodeData(bytes) != media::Success) {
        out.problem = loader->getProblem();
        return out;
    }
    media::ImageRecord r = loader->takeImage();
    if (!sizeAllowed(r.width, r.height, maxPixels)) {
        out.problem = "picture too large";
        return out;
    }
    std::size_t n = static_cast<std::size_t>(r.width) * r.height;
    if (r.kind == media::IndexedImage || r.kind == media::IndexedImageSet) {
        if (r.indices.size() < n) {
            out.problem = "short index data";
            return out;
        }
        out.surface = fromIndexed(r.width, r.height, r.indices.data(), r.table);
    } else if (r.kind >= media::LowColourImage && r.kind <= media::AlphaColourImage) {
        if (r.pixels.size() < n * 4) {
            out.problem = "short pixel data";
            return out;
        }
        out.surface =
            inPlace(r.width, r.height, std::move(r.pixels), r.kind != media::AlphaColourImage);
    } else {
        out.problem = "unsupported picture kind";
    }
    return out;
}

// JPEG through libjpeg, whose errors leave by longjmp: the frame that calls setjmp holds only
// plain data, and the pixels go to a buffer the caller owns.
struct JpegError {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool cutShort = false;  // the data ended before the picture did
};

void jpegErrorExit(j_common_ptr info) {
    auto* e = reinterpret_cast<JpegError*>(info->err);
    (*info->err->format_message)(info, e->message);
    std::longjmp(e->jump, 1);
}

// Warnings are not shown; the end of the data inside the picture is remembered, as the rest
// of such a picture would be grey.
void jpegQuiet(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF)
        reinterpret_cast<JpegError*>(info->err)->cutShort = true;
}

// Returns 0 on success; the opaque surface is made once the header is read, and each row is
// decoded into its own start and widened there from RGB to ARGB.
int decodeJpegRaw(const std::uint8_t* data, std::size_t size, std::uint64_t maxPixels,
                  Surface* surface, char* message) {
    jpeg_decompress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.base);
    error.base.error_exit = jpegErrorExit;
    error.base.emit_message = jpegQuiet;
    error.message[0] = 0;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", error.message);
        return 1;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    if (!sizeAllowed(info.image_width, info.image_height, maxPixels)) {
        jpeg_destroy_decompress(&info);
        std::snprintf(message, JMSG_LENGTH_MAX, "picture too large");
        return 1;
    }
    jpeg_start_decompress(&info);
    if (info.output_components != 3) {
        jpeg_destroy_decompress(&info);
        std::snprintf(message, JMSG_LENGTH_MAX, "unexpected colour components");
        return 1;
    }
    *surface = newSurface(info.output_width, info.output_height);
    if (!*surface) {
        jpeg_destroy_decompress(&info);
        std::snprintf(message, JMSG_LENGTH_MAX, "no memory for the picture");
        return 1;
    }
    while (info.output_scanline < info.output_height) {
        std::uint32_t* row = surfaceRow(surface->get(), info.output_scanline);
        JSAMPROW rgb = reinterpret_cast<JSAMPROW>(row);
        if (jpeg_read_scanlines(&info, &rgb, 1) != 1) break;
        // From the end, so that no sample is overwritten before it is read.
        for (std::uint32_t x = info.output_width; x-- > 0;) {
            const std::uint8_t* p = rgb + static_cast<std::size_t>(x) * 3;
            row[x] = 0xFF000000u | std::uint32_t{p[0]} << 16 | p[1] << 8 | p[2];
        }
    }
    // Rows the data does not reach are black.
    for (std::uint32_t y = info.output_scanline; y < info.output_height; ++y) {
        std::uint32_t* row = surfaceRow(surface->get(), y);
        for (std::uint32_t x = 0; x < info.output_width; ++x) row[x] = 0xFF000000u;
    }
    if (error.cutShort) {
        jpeg_destroy_decompress(&info);
        std::snprintf(message, JMSG_LENGTH_MAX, "truncated data");
        return 1;
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    cairo_surface_mark_dirty(surface->get());
    return 0;
}

DecodedPicture decodeJpeg(std::span<const std::uint8_t> bytes, std::uint64_t maxPixels) {
    DecodedPicture out;
    Surface surface;
    char message[JMSG_LENGTH_MAX] = {0};
    if (decodeJpegRaw(bytes.data(), bytes.size(), maxPixels, &surface, message) != 0) {
        out.problem = std::string("JPEG: ") + message;
        return out;
    }
    out.surface = std::move(surface);
    return out;
}

struct MemoryReader {
    std::span<const std::uint8_t> bytes;
    std::size_t position = 0;
};

int gifRead(GifFileType* gif, GifByteType* buffer, int length) {
    auto* r = static_cast<MemoryReader*>(gif->UserData);
    if (length <= 0) return 0;
    std::size_t n = std::min(static_cast<std::size_t>(length), r->bytes.size() - r->position);
    std::memcpy(buffer, r->bytes.data() + r->position, n);
    r->position += n;
    return static_cast<int>(n);
}

// The first frame of a GIF, over the logical screen, its transparent colour kept see-through.
DecodedPicture decodeGif(std::span<const std::uint8_t> bytes, std::uint64_t maxPixels) {
    DecodedPicture out;
    MemoryReader reader{bytes, 0};
    int error = 0;
    struct Closer {
        void operator()(GifFileType* g) const {
            int e = 0;
            DGifCloseFile(g, &e);
        }
    };
    std::unique_ptr<GifFileType, Closer> gif(DGifOpen(&reader, gifRead, &error));
    if (!gif) {
        out.problem = "GIF: cannot open";
        return out;
    }
    std::uint32_t sw = static_cast<std::uint32_t>(std::max(0, gif->SWidth));
    std::uint32_t sh = static_cast<std::uint32_t>(std::max(0, gif->SHeight));
    int transparent = -1;
    for (int guard = 0; guard < 100000; ++guard) {
        GifRecordType type;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) break;
        if (type == TERMINATE_RECORD_TYPE) break;
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(gif.get(), &code, &ext) == GIF_ERROR) break;
            if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4 && (ext[1] & 1)) {
                transparent = ext[4];
            }
            while (ext) {
                if (DGifGetExtensionNext(gif.get(), &ext) == GIF_ERROR) {
                    ext = nullptr;
                    guard = 100000;
                }
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) continue;
        if (DGifGetImageDesc(gif.get()) == GIF_ERROR) break;
        const GifImageDesc& d = gif->Image;
        if (d.Width <= 0 || d.Height <= 0 || d.Left < 0 || d.Top < 0) break;
        auto iw = static_cast<std::uint32_t>(d.Width), ih = static_cast<std::uint32_t>(d.Height);
        if (sw == 0 || sh == 0) {
            sw = iw + static_cast<std::uint32_t>(d.Left);
            sh = ih + static_cast<std::uint32_t>(d.Top);
        }
        if (!sizeAllowed(sw, sh, maxPixels) || !sizeAllowed(iw, ih, maxPixels)) {
            out.problem = "GIF: picture too large";
            return out;
        }
        const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
        if (!map || !map->Colors || map->ColorCount <= 0) break;
        std::vector<GifPixelType> indices(static_cast<std::size_t>(iw) * ih);
        bool ok = true;
        if (d.Interlace) {
            static const int offsets[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4 && ok; ++pass) {
                for (std::uint32_t y = offsets[pass]; y < ih && ok; y += steps[pass]) {
                    ok = DGifGetLine(gif.get(), &indices[y * iw], static_cast<int>(iw)) == GIF_OK;
                }
            }
        } else {
            for (std::uint32_t y = 0; y < ih && ok; ++y) {
                ok = DGifGetLine(gif.get(), &indices[y * iw], static_cast<int>(iw)) == GIF_OK;
            }
        }
        // A truncated frame still shows the rows that arrived.
        std::vector<std::uint8_t> rgba(static_cast<std::size_t>(sw) * sh * 4, 0);
        for (std::uint32_t y = 0; y < ih; ++y) {
            std::uint32_t ty = y + static_cast<std::uint32_t>(d.Top);
            if (ty >= sh) break;
            for (std::uint32_t x = 0; x < iw; ++x) {
                std::uint32_t tx = x + static_cast<std::uint32_t>(d.Left);
                if (tx >= sw) break;
                int e = indices[static_cast<std::size_t>(y) * iw + x];
                if (e == transparent || e >= map->ColorCount) continue;
                std::uint8_t* p = &rgba[(static_cast<std::size_t>(ty) * sw + tx) * 4];
                p[0] = map->Colors[e].Red;
                p[1] = map->Colors[e].Green;
                p[2] = map->Colors[e].Blue;
                p[3] = 255;
            }
        }
        out.surface = fromRgba(sw, sh, rgba.data());
        return out;
    }
    out.problem = "GIF: no picture";
    return out;
}

struct TiffMemory {
    std::span<const std::uint8_t> bytes;
    toff_t position = 0;
};

tsize_t tiffRead(thandle_t h, tdata_t buffer, tsize_t size) {
    auto* m = static_cast<TiffMemory*>(h);
    if (size <= 0 || m->position >= m->bytes.size()) return 0;
    std::size_t n = std::min(static_cast<std::size_t>(size),
                             m->bytes.size() - static_cast<std::size_t>(m->position));
    std::memcpy(buffer, m->bytes.data() + m->position, n);
    m->position += n;
    return static_cast<tsize_t>(n);
}
tsize_t tiffWrite(thandle_t, tdata_t, tsize_t) {
    return 0;
}
toff_t tiffSeek(thandle_t h, toff_t offset, int whence) {
    auto* m = static_cast<TiffMemory*>(h);
    toff_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m->position : m->bytes.size();
    toff_t next = base + offset;
    if (next > m->bytes.size()) next = m->bytes.size();
    m->position = next;
    return next;
}
int tiffClose(thandle_t) {
    return 0;
}
toff_t tiffSize(thandle_t h) {
    return static_cast<TiffMemory*>(h)->bytes.size();
}
int tiffMap(thandle_t, tdata_t*, toff_t*) {
    return 0;
}
void tiffUnmap(thandle_t, tdata_t, toff_t) {}

void tiffSilent(const char*, const char*, va_list) {}

DecodedPicture decodeTiff(std::span<const std::uint8_t> bytes, std::uint64_t maxPixels) {
    DecodedPicture out;
    TIFFSetErrorHandler(tiffSilent);
    TIFFSetWarningHandler(tiffSilent);
    TiffMemory memory{bytes, 0};
    struct Closer {
        void operator()(TIFF* t) const { TIFFClose(t); }
    };
    std::unique_ptr<TIFF, Closer> tif(TIFFClientOpen("picture", "rm", &memory, tiffRead, tiffWrite,
                                                     tiffSeek, tiffClose, tiffSize, tiffMap,
                                                     tiffUnmap));
    if (!tif) {
        out.problem = "TIFF: cannot open";
        return out;
    }
    std::uint32_t w = 0, h = 0;
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &h);
    if (!sizeAllowed(w, h, maxPixels)) {
        out.problem = "TIFF: picture too large";
        return out;
    }
    std::vector<std::uint32_t> raster(static_cast<std::size_t>(w) * h);
    if (!TIFFReadRGBAImageOriented(tif.get(), w, h, raster.data(), ORIENTATION_TOPLEFT, 0)) {
        out.problem = "TIFF: cannot read";
        return out;
    }
    std::vector<std::uint8_t> rgba(raster.size() * 4);
    for (std::size_t i = 0; i < raster.size(); ++i) {
        std::uint32_t p = raster[i];
        rgba[i * 4] = static_cast<std::uint8_t>(TIFFGetR(p));
        rgba[i * 4 + 1] = static_cast<std::uint8_t>(TIFFGetG(p));
        rgba[i * 4 + 2] = static_cast<std::uint8_t>(TIFFGetB(p));
        rgba[i * 4 + 3] = static_cast<std::uint8_t>(TIFFGetA(p));
    }
    // The raster holds premultiplied colours; undo that so fromRgba can premultiply once.
    for (std::size_t i = 0; i < raster.size(); ++i) {
        std::uint8_t* p = &rgba[i * 4];
        if (p[3] != 0 && p[3] != 255) {
            for (int c = 0; c < 3; ++c)
                p[c] = static_cast<std::uint8_t>(std::min(255, p[c] * 255 / p[3]));
        }
    }
    out.surface = fromRgba(w, h, rgba.data());
    return out;
}

// A metafile to be drawn at 96 pixels per inch of the size it states (a side of 512 pixels when
// it states none), its longest side at most kMaxMetafileSide: its records checked at that size,
// its bytes kept for drawing it.
DecodedPicture decodeMetafile(std::span<const std::uint8_t> bytes, std::uint64_t maxPixels) {
    MetafileSize size;
    if (std::string problem = metafileSize(bytes, size); !problem.empty())
        return noPicture("metafile: " + problem);
    double w = size.width * 96, h = size.height * 96;
    if (!(w >= 1) || !(h >= 1)) w = h = 512;
    const double fit = std::min(1.0, kMaxMetafileSide / std::max(w, h));
    const auto pw = static_cast<std::uint32_t>(std::max(1.0, std::round(w * fit)));
    const auto ph = static_cast<std::uint32_t>(std::max(1.0, std::round(h * fit)));
    if (!sizeAllowed(pw, ph, maxPixels)) return noPicture("picture too large");
    if (std::string problem = checkMetafile(bytes, pw, ph, maxPixels); !problem.empty())
        return noPicture(problem);
    DecodedPicture out;
    out.metafile.assign(bytes.begin(), bytes.end());
    out.metafileWidth = pw;
    out.metafileHeight = ph;
    out.metafileMaxPixels = maxPixels;
    return out;
}

}  // namespace

PictureFormat sniffPicture(std::span<const std::uint8_t> b) {
    if (startsWith(b, {0x89, 'P', 'N', 'G'})) return PictureFormat::Png;
    if (startsWith(b, {0xFF, 0xD8})) return PictureFormat::Jpeg;
    if (startsWith(b, {'G', 'I', 'F', '8'})) return PictureFormat::Gif;
    if (startsWith(b, {'B', 'M'})) return PictureFormat::Bmp;
    if (startsWith(b, {'I', 'I', 42, 0}) || startsWith(b, {'M', 'M', 0, 42}))
        return PictureFormat::Tiff;
    if (startsWith(b, {1, 0, 0, 0}) && b.size() >= 44 && b[40] == ' ' && b[41] == 'E' &&
        b[42] == 'M' && b[43] == 'F')
        return PictureFormat::Emf;
    if (startsWith(b, {0xD7, 0xCD, 0xC6, 0x9A}) || startsWith(b, {1, 0, 9, 0}) ||
        startsWith(b, {2, 0, 9, 0}))
        return PictureFormat::Wmf;
    return PictureFormat::Unknown;
}

std::pair<double, double> statedResolution(std::span<const std::uint8_t> b) {
    static constexpr double kDefault = 96;
    auto be16 = [&](std::size_t i) { return static_cast<unsigned>(b[i] << 8 | b[i + 1]); };
    auto be32 = [&](std::size_t i) {
        return static_cast<std::uint32_t>(b[i]) << 24 | static_cast<std::uint32_t>(b[i + 1]) << 16 |
               static_cast<std::uint32_t>(b[i + 2]) << 8 | b[i + 3];
    };
    auto plausible = [](double x, double y) -> std::pair<double, double> {
        if (x >= 10 && x <= 4800 && y >= 10 && y <= 4800) return {x, y};
        return {kDefault, kDefault};
    };
    switch (sniffPicture(b)) {
        case PictureFormat::Jpeg: {
            // Markers up to the first scan; JFIF's APP0 holds units (1 inch, 2 cm) and densities.
            std::size_t i = 2;
            while (i + 4 <= b.size() && b[i] == 0xFF) {
                unsigned marker = b[i + 1];
                if (marker == 0xDA || marker == 0xD9) break;
                std::size_t length = be16(i + 2);
                if (length < 2 || i + 2 + length > b.size()) break;
                if (marker == 0xE0 && length >= 14 && std::memcmp(&b[i + 4], "JFIF", 5) == 0) {
                    unsigned units = b[i + 11];
                    double x = be16(i + 12), y = be16(i + 14);
                    if (units == 1) return plausible(x, y);
                    if (units == 2) return plausible(x * 2.54, y * 2.54);
                    break;
                }
                i += 2 + length;
            }
            break;
        }
        case PictureFormat::Png: {
            // Chunks up to the first image data; pHYs holds pixels per metre when its unit is 1.
            std::size_t i = 8;
            while (i + 12 <= b.size()) {
                std::uint32_t length = be32(i);
                if (length > b.size() - i - 12) break;
                if (std::memcmp(&b[i + 4], "IDAT", 4) == 0) break;
                if (std::memcmp(&b[i + 4], "pHYs", 4) == 0 && length == 9) {
                    if (b[i + 16] == 1) {
                        return plausible(be32(i + 8) * 0.0254, be32(i + 12) * 0.0254);
                    }
                    break;
                }
                i += 12 + length;
            }
            break;
        }
        default:
            break;
    }
    return {kDefault, kDefault};
}

namespace {

DecodedPicture decodePictureData(std::span<const std::uint8_t> bytes, std::uint64_t maxPixels) {
    maxPixels = std::min(maxPixels, kMaxPicturePixels);
    switch (sniffPicture(bytes)) {
        case PictureFormat::Png:
        case PictureFormat::Bmp:
            return viaMediaLoader(bytes, maxPixels);
        case PictureFormat::Jpeg:
            return decodeJpeg(bytes, maxPixels);
        case PictureFormat::Gif:
            return decodeGif(bytes, maxPixels);
        case PictureFormat::Tiff:
            return decodeTiff(bytes, maxPixels);
        case PictureFormat::Emf:
        case PictureFormat::Wmf:
            return decodeMetafile(bytes, maxPixels);
        case PictureFormat::Unknown:
            break;
    }
    return noPicture("unknown picture format");
}

}  // namespace

DecodedPicture decodePicture(std::span<const std::uint8_t> bytes, std::uint64_t maxPixels) {
    DecodedPicture out = decodePictureData(bytes, maxPixels);
    std::tie(out.dpiX, out.dpiY) = statedResolution(bytes);
    return out;
}

cairo_surface_t* DecodedPicture::pixels() const {
    if (surface || metafile.empty()) return surface.get();
    if (!drawnTried_) {
        drawnTried_ = true;
        if (Surface s = newSurface(metafileWidth, metafileHeight)) {
            cairo_t* cr = cairo_create(s.get());
            const std::string problem =
                playMetafile(metafile, cr, metafileWidth, metafileHeight, metafileMaxPixels);
            cairo_destroy(cr);
            if (problem.empty()) drawn_ = std::move(s);
        }
    }
    return drawn_.get();
}

namespace {

// Per thread, so that a cairo surface is never drawn from two threads at once.
struct PictureCache {
    struct Entry {
        const Package* owner = nullptr;
        std::weak_ptr<const Package> package;  // an entry of a package gone is stale
        std::string name;
        std::shared_ptr<const DecodedPicture> picture;
        std::size_t bytes = 0;
    };
    std::list<Entry> entries;  // most recently used first
    std::size_t bytes = 0;
    std::uint64_t decodes = 0;

    void drop(std::list<Entry>::iterator it) {
        bytes -= it->bytes;
        entries.erase(it);
    }
};

thread_local PictureCache pictureCache;

std::size_t pictureBytes(const DecodedPicture& d) {
    if (d.surface) {
        return static_cast<std::size_t>(cairo_image_surface_get_stride(d.surface.get())) *
               static_cast<std::size_t>(cairo_image_surface_get_height(d.surface.get()));
    }
    // A metafile's pixels are made when first needed, so they are counted from the start.
    return std::size_t{d.metafileWidth} * d.metafileHeight * 4 + d.metafile.size();
}

}  // namespace

std::shared_ptr<const DecodedPicture> sharedPicture(const MediaPart& part) {
    PictureCache& cache = pictureCache;
    const Package* owner = part.package.get();
    for (auto it = cache.entries.begin(); it != cache.entries.end();) {
        if (it->package.expired() && it->owner) {
            auto stale = it++;
            cache.drop(stale);
            continue;
        }
        if (it->owner == owner && it->name == part.name) {
            cache.entries.splice(cache.entries.begin(), cache.entries, it);
            return it->picture;
        }
        ++it;
    }
    auto decoded = std::make_shared<DecodedPicture>();
    if (owner) {
        try {
            const std::vector<std::uint8_t> data = owner->readPart(part.name);
            *decoded = decodePicture(data);
        } catch (const PackageError& e) {
            decoded->problem = e.what();
        }
    } else {
        decoded->problem = "no package";
    }
    ++cache.decodes;
    const std::size_t size = pictureBytes(*decoded);
    cache.entries.push_front(PictureCache::Entry{owner, part.package, part.name, decoded, size});
    cache.bytes += size;
    // The newest entry stays even when it alone is over the budget.
    while (cache.bytes > kPictureCacheBytes && cache.entries.size() > 1)
        cache.drop(std::prev(cache.entries.end()));
    return decoded;
}

std::uint64_t pictureDecodeCount() {
    return pictureCache.decodes;
}

namespace {

// std::lround for a value in [0, 255], exactly (halves away from zero), without the library call
// that took a good part of a photograph's effects.
std::uint32_t roundLevel(double v) {
    const auto whole = static_cast<std::uint32_t>(v);
    return whole + (v - whole >= 0.5 ? 1 : 0);
}

}  // namespace

Surface applyPictureEffects(cairo_surface_t* source, const PictureEffects& effects) {
    if (!source || cairo_surface_get_type(source) != CAIRO_SURFACE_TYPE_IMAGE ||
        cairo_image_surface_get_format(source) != CAIRO_FORMAT_ARGB32) {
        return nullptr;
    }
    cairo_surface_flush(source);
    int w = cairo_image_surface_get_width(source), h = cairo_image_surface_get_height(source);
    Surface out(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
    if (cairo_surface_status(out.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
    cairo_surface_flush(out.get());
    const unsigned char* from = cairo_image_surface_get_data(source);
    unsigned char* to = cairo_image_surface_get_data(out.get());
    int fromStride = cairo_image_surface_get_stride(source);
    int toStride = cairo_image_surface_get_stride(out.get());
    if (!from || !to) return nullptr;
    // Contrast steepens (or flattens) around mid grey; full contrast is a step.
    double c = std::clamp<double>(effects.contrast, -1, 1);
    double slope = c >= 0 ? 1 / std::max(1e-3, 1 - c) : 1 + c;
    double bright = std::clamp<double>(effects.brightness, -1, 1);
    auto channels = [](const Color& col, double rgb[3]) {
        rgb[0] = (col.rgb & 0xFF) / 255.0;
        rgb[1] = ((col.rgb >> 8) & 0xFF) / 255.0;
        rgb[2] = ((col.rgb >> 16) & 0xFF) / 255.0;
    };
    double dark[3], light[3];
    channels(effects.duotoneDark, dark);
    channels(effects.duotoneLight, light);
    double alpha = std::clamp<double>(effects.alpha, 0, 1);
    // A channel of a pixel of opacity a, unpremultiplied, with brightness and contrast applied.
    const auto level = [&](std::uint32_t value, double a) {
        double ch = std::clamp(value / 255.0 / a, 0.0, 1.0);
        if (bright != 0 || c != 0) ch = std::clamp((ch + bright - 0.5) * slope + 0.5, 0.0, 1.0);
        return ch;
    };
    const auto byte = [](double ch, double a) {
        return roundLevel(std::clamp(ch * a, 0.0, 1.0) * 255);
    };
    // Opaque pixels, most of a photograph, through tables: each channel alone when no effect
    // mixes the channels.
    const bool mixes = effects.grayscale || effects.duotone || effects.biLevel >= 0;
    double opaqueLevel[256];
    std::uint32_t opaqueByte[256];
    for (std::uint32_t v = 0; v < 256; ++v) {
        opaqueLevel[v] = level(v, 1.0);
        opaqueByte[v] = byte(opaqueLevel[v], 1.0 * alpha);
    }
    const std::uint32_t opaqueAlpha = static_cast<std::uint32_t>(std::lround(1.0 * alpha * 255))
                                      << 24;
    for (int y = 0; y < h; ++y) {
        const auto* src = reinterpret_cast<const std::uint32_t*>(
            from + static_cast<std::size_t>(y) * static_cast<std::size_t>(fromStride));
        auto* dst = reinterpret_cast<std::uint32_t*>(to + static_cast<std::size_t>(y) *
                                                              static_cast<std::size_t>(toStride));
        for (int x = 0; x < w; ++x) {
            std::uint32_t p = src[x];
            const bool opaque = (p >> 24) == 255;
            if (opaque && !mixes) {
                dst[x] = opaqueAlpha | opaqueByte[(p >> 16) & 0xFF] << 16 |
                         opaqueByte[(p >> 8) & 0xFF] << 8 | opaqueByte[p & 0xFF];
                continue;
            }
            double a = (p >> 24) / 255.0;
            if (a <= 0) {
                dst[x] = 0;
                continue;
            }
            double v[3];
            if (opaque) {
                v[0] = opaqueLevel[(p >> 16) & 0xFF];
                v[1] = opaqueLevel[(p >> 8) & 0xFF];
                v[2] = opaqueLevel[p & 0xFF];
            } else {
                v[0] = level((p >> 16) & 0xFF, a);
                v[1] = level((p >> 8) & 0xFF, a);
                v[2] = level(p & 0xFF, a);
            }
            double lum = 0.299 * v[0] + 0.587 * v[1] + 0.114 * v[2];
            if (effects.grayscale) v[0] = v[1] = v[2] = lum;
            if (effects.duotone) {
                for (int i = 0; i < 3; ++i) v[i] = dark[i] + (light[i] - dark[i]) * lum;
                lum = 0.299 * v[0] + 0.587 * v[1] + 0.114 * v[2];
            }
            if (effects.biLevel >= 0) v[0] = v[1] = v[2] = lum >= effects.biLevel ? 1.0 : 0.0;
            a *= alpha;
            dst[x] = (roundLevel(a * 255) << 24) | (byte(v[0], a) << 16) | (byte(v[1], a) << 8) |
                     byte(v[2], a);
        }
    }
    cairo_surface_mark_dirty(out.get());
    return out;
}

}  // namespace quillet::pptx::render
