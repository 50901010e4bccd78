#include "engine/video_encoder.h"

#include "engine/yuv_convert.h"

#include <string.h>

namespace {

enum { kNalSei = 6, kNalSps = 7, kNalPps = 8 };

const int kStampSlots = 301;

struct ByteWriter {
    uint8_t* p;
    void u8(uint8_t v) { *p++ = v; }
    void be16(uint16_t v) { u8((uint8_t)(v >> 8)); u8((uint8_t)v); }
    void bytes(const uint8_t* source, int count) { memcpy(p, source, count); p += count; }
};

// The unit without the Annex B start code the library put in front of it.
void StripStartCode(const x264_nal_t& nal, const uint8_t** unit, int* length)
{
    const uint8_t* p = nal.p_payload;
    int n = nal.i_payload;
    int skip = 0;
    if (n >= 4 && p[0] == 0 && p[1] == 0 && p[2] == 0 && p[3] == 1)
        skip = 4;
    else if (n >= 3 && p[0] == 0 && p[1] == 0 && p[2] == 1)
        skip = 3;
    *unit = p + skip;
    *length = n - skip;
}

bool IsPictureUnit(int type) { return type < kNalSei || type > kNalPps; }

} // namespace

int WriteAvcDecoderConfigurationRecord(const uint8_t* sps, int spsLength, const uint8_t* pps,
                                       int ppsLength, uint8_t* target, int capacity)
{
    const int length = 11 + spsLength + ppsLength;
    if (length > capacity)
        return -length;
    ByteWriter w{target};
    w.u8(1);      // configurationVersion
    w.u8(sps[1]); // AVCProfileIndication
    w.u8(sps[2]); // profile_compatibility
    w.u8(sps[3]); // AVCLevelIndication
    w.u8(0xFF);   // reserved bits, lengthSizeMinusOne 3
    w.u8(0xE1);   // reserved bits, one SPS
    w.be16((uint16_t)spsLength);
    w.bytes(sps, spsLength);
    w.u8(1);      // one PPS
    w.be16((uint16_t)ppsLength);
    w.bytes(pps, ppsLength);
    return length;
}

TVideoEncoder::TVideoEncoder()
{
    if (!g_yuvTablesBuilt)
        BuildYuvTables();
    timestamps.SetCapacity(kStampSlots);
    x264_param_default(&parameters);
    x264_param_default_preset(&parameters, "ultrafast", "film");
    x264_param_apply_profile(&parameters, "baseline");
    parameters.i_csp = X264_CSP_I420;
}

TVideoEncoder::~TVideoEncoder()
{
    if (picture)
        picture->Release();
    if (encoder)
        x264_encoder_close(encoder);
}

BOOL TVideoEncoder::Open(int width, int height, int q)
{
    timestamps.Clear();
    converter = Rgb32ToI420;
    nextPts = 0;

    if (q < 0 || q > 51)
        q = 23;
    parameters.i_width = width;
    parameters.i_height = height;
    parameters.b_annexb = 1;
    parameters.b_repeat_headers = 0;
    parameters.i_fps_num = 25;
    parameters.i_fps_den = 1;
    parameters.rc.i_qp_constant = q;
    parameters.rc.f_rf_constant = (float)q;
    parameters.rc.i_qp_min = 18;
    parameters.rc.i_qp_max = 40;
    parameters.rc.f_rf_constant_max = 40.0f;
    parameters.i_keyint_max = 600;

    if (picture)
        picture->Release();
    picture = TPictureBuffer::Create(NULL, (uint32_t)(width * height + (width * height) / 2));

    if (encoder)
        x264_encoder_close(encoder);
    encoder = x264_encoder_open(&parameters);
    return encoder != nullptr;
}

int TVideoEncoder::GetHeaders(uint8_t* target, int capacity)
{
    if (!encoder)
        return 0;
    x264_nal_t* nals = nullptr;
    int count = 0;
    if (x264_encoder_headers(encoder, &nals, &count) < 0)
        return 0;
    const uint8_t* sps = nullptr;
    const uint8_t* pps = nullptr;
    int spsLength = 0, ppsLength = 0;
    for (int i = 0; i < count; i++) {
        if (nals[i].i_type == kNalSps)
            StripStartCode(nals[i], &sps, &spsLength);
        else if (nals[i].i_type == kNalPps)
            StripStartCode(nals[i], &pps, &ppsLength);
    }
    // The record copies the profile and level out of the SPS's first bytes.
    if (!sps || spsLength < 4 || !pps || ppsLength < 1)
        return 0;
    return WriteAvcDecoderConfigurationRecord(sps, spsLength, pps, ppsLength, target, capacity);
}

TVideoFrameBuffer* TVideoEncoder::Encode(const uint8_t* frame, int* timestamp)
{
    if (!encoder)
        return nullptr;
    x264_picture_t input;
    if (frame) {
        // Without a picture buffer there is nothing to encode from; the call leaves no stamp.
        if (!picture)
            return nullptr;
        x264_picture_init(&input);
        const int w = parameters.i_width, h = parameters.i_height;
        converter(w, h, frame, picture->data);
        input.img.i_csp = parameters.i_csp;
        input.img.i_plane = 3;
        input.img.i_stride[0] = w;
        input.img.i_stride[1] = w / 2;
        input.img.i_stride[2] = w / 2;
        input.img.plane[0] = picture->data;
        input.img.plane[1] = picture->data + w * h;
        input.img.plane[2] = picture->data + w * h * 5 / 4;
        input.i_pts = nextPts++;
    }

    timestamps.Push(*timestamp);

    x264_nal_t* nals = nullptr;
    int count = 0;
    x264_picture_t output;
    if (x264_encoder_encode(encoder, &nals, &count, frame ? &input : nullptr, &output) < 0)
        return nullptr;

    uint32_t total = 0;
    for (int i = 0; i < count; i++)
        if (IsPictureUnit(nals[i].i_type))
            total += (uint32_t)nals[i].i_payload;
    if (count == 0 || total == 0)
        return nullptr;

    TVideoFrameBuffer* buffer = TVideoFrameBuffer::New(total);
    if (!buffer)
        return nullptr;
    uint8_t* out = buffer->data;
    for (int i = 0; i < count; i++) {
        if (IsPictureUnit(nals[i].i_type)) {
            memcpy(out, nals[i].p_payload, nals[i].i_payload);
            out += nals[i].i_payload;
        }
    }
    timestamps.Pop(*timestamp);
    return buffer;
}
