// Real encoded frames for end-to-end tests: synthetic pictures through x264 with the video
// encoder's settings, and a tone (or silence) through FAAC as raw AAC-LC frames.
#pragma once
#include <string>
#include <vector>

#include "media/media_info.h"
#include "media/media_stream.h"

struct EncodedVideo {
    int width = 0;
    int height = 0;
    int fps = 0;
    std::string avcConfig;           // AVCDecoderConfigurationRecord built from x264's SPS and PPS
    std::vector<std::string> frames; // Annex B: start code and one NAL unit each
    std::vector<unsigned> times;     // capture time in ms of each frame
};

struct EncodedAudio {
    unsigned sampleRate = 0;
    int channels = 0;
    std::vector<std::string> frames; // raw AAC frames of 1024 samples per channel
};

// frameCount moving pictures, captured every 1000 / fps ms from firstTimeMs on. Empty on failure.
EncodedVideo EncodeVideo(int width, int height, int fps, int frameCount, unsigned firstTimeMs = 40);
// seconds of a 440 Hz tone, or of silence when tone is false.
EncodedAudio EncodeAudio(unsigned sampleRate, int channels, double seconds, bool tone = true);

// The stream description the recording worker would build for these streams (audio may be null).
MediaInfo DescribeStreams(const EncodedVideo& video, const EncodedAudio* audio);

// Writes the streams as the recording thread does: one video frame with its capture time, then
// the audio frames (time 0) that fall due before the next picture. Returns the first non-zero
// writer result, or 0. With stopAtFailure, nothing is written after it, as the worker does.
int WriteInterleaved(MediaStream& writer, const EncodedVideo& video, const EncodedAudio* audio,
                     bool stopAtFailure = false);
