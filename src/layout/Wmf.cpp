// Windows metafiles drawn through libwmf: the metafile becomes SVG, which Qt draws.
#include "GShapes.h"

#include <QSvgRenderer>
#include <algorithm>
#include <cmath>
#include <vector>

extern "C" {
#include <libwmf/api.h>
#include <libwmf/svg.h>
}

namespace addrova::layout {

namespace {

QByteArray wmfToSvg(const QByteArray& wmf) {
    wmfAPI* api = nullptr;
    wmfAPI_Options opts{};
    opts.function = wmf_svg_function;
    unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (wmf_api_create(&api, flags, &opts) != wmf_E_None) {
        if (api) wmf_api_destroy(api);
        return {};
    }
    QByteArray out;
    std::vector<unsigned char> buf(wmf.begin(), wmf.end());
    wmf_svg_t* dd = WMF_SVG_GetData(api);
    wmfD_Rect bbox;
    if (wmf_mem_open(api, buf.data(), static_cast<long>(buf.size())) == wmf_E_None) {
        if (wmf_scan(api, 0, &bbox) == wmf_E_None) {
            unsigned int w = 0, h = 0;
            wmf_display_size(api, &w, &h, 96, 96);
            // Sizes from a damaged file can be anything: keep them to a sane picture.
            auto extent = [](double v) {
                return std::isfinite(v) ? static_cast<unsigned int>(std::clamp(v, 1.0, 20000.0)) : 1u;
            };
            if (w == 0 || h == 0 || w > 20000 || h > 20000) {
                w = extent(static_cast<double>(bbox.BR.x) - bbox.TL.x);
                h = extent(static_cast<double>(bbox.BR.y) - bbox.TL.y);
            }
            // A placeable metafile's frame is its picture, not just the part it draws on.
            QByteArray head = wmf.left(16);
            if (head.size() == 16 && static_cast<uint8_t>(head[0]) == 0xD7 && static_cast<uint8_t>(head[1]) == 0xCD &&
                static_cast<uint8_t>(head[2]) == 0xC6 && static_cast<uint8_t>(head[3]) == 0x9A) {
                auto le16 = [&](int at) {
                    return static_cast<int16_t>(static_cast<uint8_t>(head[at]) | (static_cast<uint8_t>(head[at + 1]) << 8));
                };
                double inch = static_cast<uint16_t>(le16(14));
                if (inch > 0 && le16(10) != le16(6) && le16(12) != le16(8)) {
                    bbox.TL.x = static_cast<float>(std::min(le16(6), le16(10)) * 72.0 / inch);
                    bbox.TL.y = static_cast<float>(std::min(le16(8), le16(12)) * 72.0 / inch);
                    bbox.BR.x = static_cast<float>(std::max(le16(6), le16(10)) * 72.0 / inch);
                    bbox.BR.y = static_cast<float>(std::max(le16(8), le16(12)) * 72.0 / inch);
                }
            }
            dd->bbox = bbox;
            dd->width = w;
            dd->height = h;
            dd->out = wmf_stream_create(api, nullptr);
            dd->Description = nullptr;
            dd->flags |= WMF_SVG_INLINE_IMAGES;
            if (dd->out) {
                wmf_error_t err = wmf_play(api, 0, &bbox);
                char* mem = nullptr;
                unsigned long len = 0;
                wmf_stream_destroy(api, dd->out, &mem, &len);
                if (err == wmf_E_None && mem) out = QByteArray(mem, static_cast<qsizetype>(len));
                if (mem) wmf_free(api, mem);
            }
        }
        wmf_mem_close(api);
    }
    wmf_api_destroy(api);
    return out;
}

}  // namespace

bool drawWmf(QPainter& p, const QByteArray& wmf, const QRectF& target) {
    QByteArray svg = wmfToSvg(wmf);
    if (svg.isEmpty()) return false;
    QSvgRenderer r(svg);
    if (!r.isValid()) return false;
    r.setAspectRatioMode(Qt::IgnoreAspectRatio);
    r.render(&p, target);
    return true;
}

}  // namespace addrova::layout
