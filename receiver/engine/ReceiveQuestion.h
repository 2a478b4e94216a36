#pragma once
// A question the engine puts to the user, and the answer: plain values, so
// every host (window, terminal, test script) can show and answer it.

#include <string>
#include <utility>
#include <vector>

namespace receive {

enum class QuestionKind {
    Welcome,         // buttons: WelcomeAnswer
    TaskConfirm,     // buttons: ConfirmAnswer
    ServerConfirm,   // buttons: ConfirmAnswer
    UpdateForce,     // buttons: UpdateAnswer
    UpdateUp2Date,   // buttons: UpdateAnswer
    IfNotExist,      // message 61245: OK (0) / Cancel (1)
    Overwrite,       // buttons: OverwriteAnswer
    FolderDepth,     // OK (0) / Cancel (1)
    CipherCode,      // OK (0) with text / 受信をやめる (1)
    Password,        // OK (0) with text / 受信をやめる (1)
    IdAndPassword,   // OK (0) with text (ID) and secondText / 受信をやめる (1)
    Notice,          // a message with OK only
    TryCertification, // buttons: TryCertificationAnswer
    NotCertified,    // buttons: NotCertifiedAnswer
    Certified,       // buttons: CertifiedAnswer
};

enum WelcomeAnswer { WelcomeReceive = 0, WelcomeConfirmTasks = 1, WelcomeConfirmServers = 2, WelcomeDoNotReceive = 3 };
enum ConfirmAnswer { ConfirmReceive = 0, ConfirmAllTheRest = 1, ConfirmSkip = 2, ConfirmStopAll = 3 };
enum UpdateAnswer { UpdateAllowAll = 0, UpdateAllowItem = 1, UpdateAskInstead = 2, UpdateStop = 3 };
enum OverwriteAnswer {
    OverwriteThis = 0,
    OverwriteAll = 1,
    OverwriteNotThis = 2,
    OverwriteOnlyNew = 3,
    OverwriteStopAll = 4,
};
// The first button of the two certification results opens the site and
// leaves the question standing.
enum TryCertificationAnswer { CertifyNow = 0, CertifySkip = 1, CertifyStop = 2 };
enum NotCertifiedAnswer { NotCertifiedOpenSite = 0, NotCertifiedContinue = 1, NotCertifiedStop = 2 };
enum CertifiedAnswer { CertifiedOpenPage = 0, CertifiedContinue = 1, CertifiedStop = 2 };
enum OkCancel { AnswerOk = 0, AnswerCancel = 1 };

enum class QuestionIcon { None, Information, Question, Warning, Stop };

struct Question {
    QuestionKind kind = QuestionKind::Notice;
    std::string caption;
    std::string text;
    // Labelled values shown beside the text (作成者, サーバー, ...).
    std::vector<std::pair<std::string, std::string>> fields;
    std::vector<std::string> buttons;
    int defaultButton = 0;
    // The answer a closed window stands for (the last button, as a rule).
    int closeButton = 0;
    QuestionIcon icon = QuestionIcon::None;
    bool takesText = false;
    bool masked = false;
};

struct Answer {
    int button = 0;
    std::string text;
    std::string secondText;
};

} // namespace receive
