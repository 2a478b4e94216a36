#include "album/core/ItemPreparer.h"

#include "album/core/AlbumError.h"
#include "album/core/PictureReader.h"
#include "album/core/JpegWriter.h"
#include "album/core/WorkControl.h"

namespace album {

PreparedItem ItemPreparer::prepare(const PendingAddition& addition, const std::string& albumFolder, PictureSize limit,
                                   WorkControl* control)
{
    PreparedItem prepared;
    AlbumItem& item = prepared.item;
    item.saveName = addition.saveName;
    item.sourcePath = addition.sourcePath;
    item.type = addition.type;
    item.extraText = addition.text;
    if (addition.type == MediaType::Video) {
        item.workingPath = addition.sourcePath;
        return prepared;
    }

    item.workingPath = albumFolder + "/" + addition.saveName;
    DecodedPicture decoded = PictureReader::readFitted(addition.sourcePath, limit, addition.saveName, control);
    if (control)
        control->checkStop();
    if (!JpegWriter::write(decoded.image, item.workingPath))
        throw AlbumError(formatText(texts::pictureNotWritten, addition.saveName));
    item.width = decoded.image.width;
    item.height = decoded.image.height;
    item.sourceWidth = roundedSourceWidth(decoded.source.width);
    item.sourceHeight = decoded.source.height;
    item.taken = decoded.taken;
    prepared.picture.emplace(std::move(decoded.image));
    return prepared;
}

} // namespace album
