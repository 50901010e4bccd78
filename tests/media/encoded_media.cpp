#include "tests/media/encoded_media.h"

#include <math.h>
#include <stdint.h>
#include <string.h>

extern "C" {
#include <faac.h>
#include <x264.h>
}

namespace {

void FillPicture(x264_picture_t* pic, int width, int height, int index)
{
    // A diagonal gradient that drifts, and a bright square that moves across it.
    uint8_t* y = pic->img.plane[0];
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col)
            y[row * pic->img.i_stride[0] + col] = uint8_t((row + col + index * 3) & 0xFF);
    int box = width / 8;
    int left = (index * 5) % (width - box);
    int top = (index * 3) % (height - box);
    for (int row = top; row < top + box; ++row)
        memset(y + row * pic->img.i_stride[0] + left, 235, box);
    for (int plane = 1; plane < 3; ++plane) {
        uint8_t* c = pic->img.plane[plane];
        for (int row = 0; row < height / 2; ++row)
            for (int col = 0; col < width / 2; ++col)
                c[row * pic->img.i_stride[plane] + col] = uint8_t(128 + ((plane == 1 ? col : row) + index) % 64 - 32);
    }
}

// Appends the frame's slice NAL units (never SEI, SPS or PPS) as the video encoder does.
void TakeFrame(x264_nal_t* nals, int count, EncodedVideo* out, unsigned timeMs)
{
    std::string frame;
    for (int i = 0; i < count; ++i) {
        if (nals[i].i_type >= 6 && nals[i].i_type <= 8)
            continue;
        frame.append(reinterpret_cast<const char*>(nals[i].p_payload), nals[i].i_payload);
    }
    if (frame.empty())
        return;
    out->frames.push_back(frame);
    out->times.push_back(timeMs);
}

std::string ConfigurationRecord(const std::string& sps, const std::string& pps)
{
    std::string record;
    record += char(1);
    record += sps[1];
    record += sps[2];
    record += sps[3];
    record += char(0xFF);
    record += char(0xE1);
    record += char(sps.size() >> 8);
    record += char(sps.size());
    record += sps;
    record += char(1);
    record += char(pps.size() >> 8);
    record += char(pps.size());
    record += pps;
    return record;
}

} // namespace

EncodedVideo EncodeVideo(int width, int height, int fps, int frameCount, unsigned firstTimeMs)
{
    EncodedVideo out;
    out.width = width;
    out.height = height;
    out.fps = fps;

    x264_param_t param;
    x264_param_default(&param);
    x264_param_default_preset(&param, "ultrafast", "film");
    x264_param_apply_profile(&param, "baseline");
    param.i_csp = X264_CSP_I420;
    param.i_width = width;
    param.i_height = height;
    param.b_annexb = 1;
    param.b_repeat_headers = 0;
    param.i_fps_num = 25;
    param.i_fps_den = 1;
    param.rc.i_qp_constant = 25;
    param.rc.f_rf_constant = 25;
    param.rc.i_qp_min = 18;
    param.rc.i_qp_max = 40;
    param.rc.f_rf_constant_max = 40;
    param.i_keyint_max = 30; // a few key frames within seconds
    param.i_log_level = X264_LOG_ERROR;
    x264_t* encoder = x264_encoder_open(&param);
    if (!encoder)
        return EncodedVideo();

    x264_nal_t* nals;
    int count;
    std::string sps, pps;
    if (x264_encoder_headers(encoder, &nals, &count) >= 0) {
        for (int i = 0; i < count; ++i) {
            std::string unit(reinterpret_cast<const char*>(nals[i].p_payload) + 4, nals[i].i_payload - 4);
            if (nals[i].i_type == 7)
                sps = unit;
            else if (nals[i].i_type == 8)
                pps = unit;
        }
    }
    if (sps.size() < 4 || pps.empty()) {
        x264_encoder_close(encoder);
        return EncodedVideo();
    }
    out.avcConfig = ConfigurationRecord(sps, pps);

    std::vector<unsigned> pending;
    x264_picture_t pic, picOut;
    x264_picture_alloc(&pic, X264_CSP_I420, width, height);
    for (int i = 0; i < frameCount; ++i) {
        FillPicture(&pic, width, height, i);
        pic.i_pts = i;
        pending.push_back(firstTimeMs + unsigned(i * 1000 / fps));
        if (x264_encoder_encode(encoder, &nals, &count, &pic, &picOut) > 0) {
            TakeFrame(nals, count, &out, pending.front());
            pending.erase(pending.begin());
        }
    }
    while (x264_encoder_delayed_frames(encoder) > 0) {
        if (x264_encoder_encode(encoder, &nals, &count, NULL, &picOut) > 0 && !pending.empty()) {
            TakeFrame(nals, count, &out, pending.front());
            pending.erase(pending.begin());
        }
    }
    x264_picture_clean(&pic);
    x264_encoder_close(encoder);
    return out;
}

EncodedAudio EncodeAudio(unsigned sampleRate, int channels, double seconds, bool tone)
{
    EncodedAudio out;
    out.sampleRate = sampleRate;
    out.channels = channels;
    unsigned long inputSamples = 0, maxOutput = 0;
    faacEncHandle encoder = faacEncOpen(sampleRate, channels, &inputSamples, &maxOutput);
    if (!encoder)
        return out;
    faacEncConfigurationPtr config = faacEncGetCurrentConfiguration(encoder);
    config->aacObjectType = LOW;
    config->outputFormat = 0;
    config->inputFormat = FAAC_INPUT_16BIT;
    faacEncSetConfiguration(encoder, config);

    const size_t total = size_t(seconds * sampleRate) * channels;
    std::vector<int16_t> pcm(total);
    for (size_t i = 0; i < total; ++i) {
        double t = double(i / channels) / sampleRate;
        pcm[i] = tone ? int16_t(9000 * sin(2 * 3.14159265358979 * 440 * t)) : 0;
    }
    std::vector<unsigned char> buffer(maxOutput);
    auto take = [&](int bytes) {
        if (bytes > 0)
            out.frames.push_back(std::string(reinterpret_cast<const char*>(buffer.data()), bytes));
    };
    for (size_t pos = 0; pos < total; pos += inputSamples) {
        unsigned n = unsigned(total - pos < inputSamples ? total - pos : inputSamples);
        take(faacEncEncode(encoder, reinterpret_cast<int32_t*>(&pcm[pos]), n, buffer.data(), unsigned(maxOutput)));
    }
    for (int bytes; (bytes = faacEncEncode(encoder, NULL, 0, buffer.data(), unsigned(maxOutput))) > 0;)
        take(bytes);
    faacEncClose(encoder);
    return out;
}

MediaInfo DescribeStreams(const EncodedVideo& video, const EncodedAudio* audio)
{
    MediaInfo info = {};
    info.avcConfig = reinterpret_cast<const uint8_t*>(video.avcConfig.data());
    info.avcConfigSize = uint16_t(video.avcConfig.size());
    info.flags = kMediaVideo;
    info.width = uint16_t(video.width);
    info.height = uint16_t(video.height);
    info.fps = uint16_t(video.fps);
    info.channels = 2;
    info.bitsPerSample = 16;
    info.sampleRate = 16000;
    info.frameSamples = 0;
    if (audio) {
        info.flags |= kMediaAudio;
        info.channels = uint8_t(audio->channels);
        info.sampleRate = audio->sampleRate;
        info.frameSamples = 1024;
    }
    return info;
}

int WriteInterleaved(MediaStream& writer, const EncodedVideo& video, const EncodedAudio* audio, bool stopAtFailure)
{
    int result = 0;
    size_t audioWritten = 0;
    const size_t frames = video.frames.size();
    for (size_t i = 0; i < frames && !(stopAtFailure && result); ++i) {
        const std::string& f = video.frames[i];
        int r = writer.WriteVideo(reinterpret_cast<const uint8_t*>(f.data()), unsigned(f.size()), 0, video.times[i],
                                  NULL);
        if (r && !result)
            result = r;
        if (!audio)
            continue;
        // The sound recorded until the next picture (the last picture lasts one frame period).
        double until = i + 1 < frames ? video.times[i + 1] - video.times[0]
                                      : video.times[i] - video.times[0] + 1000.0 / video.fps;
        while (audioWritten < audio->frames.size() && !(stopAtFailure && result) &&
               audioWritten * 1024 * 1000.0 / audio->sampleRate < until) {
            const std::string& a = audio->frames[audioWritten++];
            r = writer.WriteAudio(reinterpret_cast<const uint8_t*>(a.data()), unsigned(a.size()), 0);
            if (r && !result)
                result = r;
        }
    }
    return result;
}
