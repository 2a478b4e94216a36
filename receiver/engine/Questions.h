#pragma once
// The engine's questions, built with their fixed texts and buttons.

#include "receiver/engine/ReceiveQuestion.h"

#include <string>

namespace receive {

enum class PolicyLevel { Task = 0, Source = 1, FileList = 2, File = 3 };

class Questions {
public:
    static Question welcome(const std::string& creator, const std::string& date, const std::string& version,
                            const std::string& comment);
    static Question taskConfirm(const std::string& taskName);
    static Question serverConfirm(const std::string& server, int protocol, const std::string& port,
                                  const std::string& account);
    static Question updateForce(PolicyLevel level, const std::string& itemName);
    static Question updateUp2Date(PolicyLevel level, const std::string& itemName);
    static Question ifNotExist();
    static Question overwrite(const std::string& localPath);
    static Question folderDepth(int limit);
    static Question cipherCode();
    static Question password(const std::string& server, const std::string& id, const std::string& protocol,
                             bool mailAddress);
    static Question idAndPassword(const std::string& address);
    static Question tryCertification(const std::string& address);
    static Question notCertified(const std::string& explanation, const std::string& address);
    static Question certified(const std::string& saveFolder, const std::string& address);
    static Question notice(const std::string& caption, const std::string& text, QuestionIcon icon);
};

// printf-style "%s"/"%d" filling for the fixed texts.
std::string formatText(const char* format, const std::string& value);
std::string formatText(const char* format, long long value);

} // namespace receive
