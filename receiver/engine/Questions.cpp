#include "receiver/engine/Questions.h"

#include "receiver/engine/ReceiveTexts.h"

#include "platform/Cp932Codec.h"

#include <iterator>

namespace receive {

namespace {

template <std::size_t N>
std::vector<std::string> list(const char* const (&items)[N])
{
    return std::vector<std::string>(std::begin(items), std::end(items));
}

std::string replaceFirst(const char* format, const char* marker, const std::string& value)
{
    std::string text(format);
    auto at = text.find(marker);
    if (at != std::string::npos)
        text.replace(at, 2, value);
    return text;
}

} // namespace

std::string formatText(const char* format, const std::string& value)
{
    return replaceFirst(format, "%s", value);
}

std::string formatText(const char* format, long long value)
{
    return replaceFirst(format, "%d", std::to_string(value));
}

Question Questions::welcome(const std::string& creator, const std::string& date, const std::string& version,
                            const std::string& comment)
{
    Question q;
    q.kind = QuestionKind::Welcome;
    q.caption = texts::welcomeCaption;
    // The comment box holds fewer than 512 bytes (code page 932).
    std::size_t bytes = 0;
    try {
        bytes = platform::Cp932Codec::byteLength(comment);
    } catch (const platform::CodecError&) {
        bytes = comment.size();
    }
    q.text = (comment.empty() || bytes >= 512) ? std::string(texts::welcomeDefaultComment) : comment;
    q.fields = {{texts::creatorLabel, creator}, {texts::dateLabel, date}, {texts::versionLabel, version}};
    q.buttons = list(texts::welcomeButtons);
    q.closeButton = WelcomeDoNotReceive;
    return q;
}

Question Questions::taskConfirm(const std::string& taskName)
{
    Question q;
    q.kind = QuestionKind::TaskConfirm;
    q.caption = texts::taskLabel;
    q.fields = {{texts::taskLabel, taskName}};
    q.buttons = list(texts::taskConfirmButtons);
    q.closeButton = ConfirmStopAll;
    return q;
}

Question Questions::serverConfirm(const std::string& server, int protocol, const std::string& port,
                                  const std::string& account)
{
    Question q;
    q.kind = QuestionKind::ServerConfirm;
    q.caption = texts::serverLabel;
    q.fields = {{texts::serverLabel, server},
                {texts::protocolLabel, protocol >= 0 && protocol <= 2 ? texts::protocolNames[protocol] : ""},
                {texts::portLabel, port},
                {texts::accountLabel, account}};
    q.buttons = list(texts::serverConfirmButtons);
    q.closeButton = ConfirmStopAll;
    return q;
}

Question Questions::updateForce(PolicyLevel level, const std::string& itemName)
{
    Question q;
    q.kind = QuestionKind::UpdateForce;
    q.caption = texts::updateForceCaption;
    q.text = formatText(texts::forceLevelTexts[static_cast<int>(level)], itemName);
    q.buttons = list(texts::updateForceButtons);
    q.closeButton = UpdateStop;
    return q;
}

Question Questions::updateUp2Date(PolicyLevel level, const std::string& itemName)
{
    Question q;
    q.kind = QuestionKind::UpdateUp2Date;
    q.caption = texts::up2DateCaption;
    q.text = formatText(texts::up2DateLevelTexts[static_cast<int>(level)], itemName);
    q.buttons = list(texts::up2DateButtons);
    q.closeButton = UpdateStop;
    return q;
}

Question Questions::ifNotExist()
{
    Question q;
    q.kind = QuestionKind::IfNotExist;
    q.caption = "Corvandelle";
    q.text = texts::ifNotExistText;
    q.buttons = list(texts::okCancelButtons);
    q.closeButton = AnswerCancel;
    q.icon = QuestionIcon::Question;
    return q;
}

Question Questions::overwrite(const std::string& localPath)
{
    Question q;
    q.kind = QuestionKind::Overwrite;
    q.caption = texts::overwriteCaption;
    q.text = formatText(texts::overwriteText, localPath);
    q.buttons = list(texts::overwriteButtons);
    q.closeButton = OverwriteStopAll;
    return q;
}

Question Questions::folderDepth(int limit)
{
    Question q;
    q.kind = QuestionKind::FolderDepth;
    q.caption = "Corvandelle";
    q.text = formatText(texts::depthText, limit);
    q.buttons = list(texts::okCancelButtons);
    q.closeButton = AnswerCancel;
    q.icon = QuestionIcon::Question;
    return q;
}

Question Questions::cipherCode()
{
    Question q;
    q.kind = QuestionKind::CipherCode;
    q.caption = texts::cipherCaption;
    q.text = std::string(texts::cipherText) + "\n" + texts::cipherHint;
    q.buttons = list(texts::inputButtons);
    q.closeButton = AnswerCancel;
    q.takesText = true;
    q.masked = true;
    return q;
}

Question Questions::password(const std::string& server, const std::string& id, const std::string& protocol,
                             bool mailAddress)
{
    Question q;
    q.kind = QuestionKind::Password;
    q.caption = texts::passwordCaption;
    q.text = mailAddress ? texts::mailPasswordPrompt : texts::passwordPrompt;
    q.fields = {{texts::serverLabel, server}, {texts::idLabel, id}, {texts::protocolLabel, protocol}};
    q.buttons = list(texts::inputButtons);
    q.closeButton = AnswerCancel;
    q.takesText = true;
    q.masked = true;
    return q;
}

Question Questions::idAndPassword(const std::string& address)
{
    Question q;
    q.kind = QuestionKind::IdAndPassword;
    q.caption = texts::idAndPasswordCaption;
    q.text = address;
    q.buttons = list(texts::inputButtons);
    q.closeButton = AnswerCancel;
    q.takesText = true;
    return q;
}

Question Questions::tryCertification(const std::string& address)
{
    Question q;
    q.kind = QuestionKind::TryCertification;
    q.caption = texts::tryCertificationCaption;
    q.fields = {{texts::certificationSiteLabel, address}};
    q.buttons = list(texts::tryCertificationButtons);
    q.closeButton = CertifyStop;
    q.icon = QuestionIcon::Question;
    return q;
}

Question Questions::notCertified(const std::string& explanation, const std::string& address)
{
    Question q;
    q.kind = QuestionKind::NotCertified;
    q.caption = texts::notCertifiedCaption;
    q.text = explanation;
    q.fields = {{texts::certificationSiteLabel, address}};
    q.buttons = list(texts::notCertifiedButtons);
    q.defaultButton = NotCertifiedContinue;
    q.closeButton = NotCertifiedStop;
    q.icon = QuestionIcon::Warning;
    return q;
}

Question Questions::certified(const std::string& saveFolder, const std::string& address)
{
    Question q;
    q.kind = QuestionKind::Certified;
    q.caption = texts::certifiedCaption;
    q.fields = {{texts::saveFolderLabel, saveFolder}, {texts::certificationSiteLabel, address}};
    q.buttons = list(texts::certifiedButtons);
    q.defaultButton = CertifiedContinue;
    q.closeButton = CertifiedStop;
    q.icon = QuestionIcon::Information;
    return q;
}

Question Questions::notice(const std::string& caption, const std::string& text, QuestionIcon icon)
{
    Question q;
    q.kind = QuestionKind::Notice;
    q.caption = caption;
    q.text = text;
    q.buttons = {"OK"};
    q.icon = icon;
    return q;
}

} // namespace receive
