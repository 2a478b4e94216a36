#pragma once
// One picture or video of an album, in page order. Texts are UTF-8; paths
// are native.

#include <string>

namespace album {

enum class MediaType { Picture = 0, Video = 1 };

struct AlbumItem {
    std::string saveName;    // file name in the album folder and the archive
    std::string workingPath; // what is published: the fitted picture, or the video itself
    std::string sourcePath;  // the file the user added
    std::string title;
    std::string comment;     // may hold CR LF
    MediaType type = MediaType::Picture;
    std::string extraText;   // always empty in this program
    int width = 0;           // the fitted picture; a video's when known; else 0
    int height = 0;
    int sourceWidth = 0;     // the decoded source, rounded up to a multiple of 8 (pictures)
    int sourceHeight = 0;
    std::string voicePath;   // full path of the voice file; empty without one
    std::string voiceName;   // its file name
    int voiceSeconds = 0;    // > 0 when the item has a voice message
    std::string taken;       // shooting date-time "YYYY:MM:DD HH:MM:SS" from Exif; empty when unknown
                             // (pictures only, not kept in the album data file)

    bool hasVoice() const { return voiceSeconds > 0 && !voicePath.empty(); }
    // The list row's icon: picture, picture with voice, video, video with voice.
    int iconIndex() const { return 2 * (type == MediaType::Video ? 1 : 0) + (hasVoice() ? 1 : 0); }
};

} // namespace album
