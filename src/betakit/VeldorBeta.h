#pragma once

#include "BetaFeedback.h"
#include "BetaLog.h"
#include "ReportSending.h"
#include "update/UpdateFeed.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

namespace platform {
class Defaults;
}

namespace betakit {

// Further diagnostic values a report carries, read when the report is built.
using ExtraSettings = std::function<std::vector<BetaPair>()>;

// How the host program configures the beta kit; copied when the kit starts.
struct BetaConfiguration {
    // Every other field takes its default; `defaults` and `processName` come from the platform.
    BetaConfiguration(QString appID, QString appName, QString appKey, QStringList settings,
                      ExtraSettings extraSettings);

    // Names the kit's support folder and the default update feed.
    QString appID;
    // The application's name in the kit's texts.
    QString appName;
    // Sent with every report upload.
    QString appKey;
    // The defaults keys whose values reports include.
    QStringList settings;
    ExtraSettings extraSettings;
    bool askAfterCrash = true;
    QUrl endpoint{QStringLiteral("https://veldorpellrath.example/beta/report")};
    QString feedbackAddress = QStringLiteral("beta@veldorpellrath.example");
    bool checksForUpdates = false;
    std::optional<QUrl> updateFeed;
    std::optional<QString> appVersion;
    std::optional<QString> appBuild;

    // Where the `settings` keys are read.
    platform::Defaults& defaults() const { return *m_defaults; }
    // The name the program's crash reports begin with.
    const QString& processName() const { return m_processName; }

private:
    std::shared_ptr<platform::Defaults> m_defaults;
    QString m_processName;
};

// The beta kit's public face: started once at launch, then reached through these statics.
// Main thread only. Before start() every operation does nothing, answers empty text, or answers
// BetaSendError::notStarted().
class VeldorBeta {
public:
    VeldorBeta() = delete;

    // Replacements of the kit's own parts, for tests: a `showFeedbackWindow` given here takes the
    // place of the kit's feedback window, and so on; an empty one leaves the kit's own.
    struct Parts {
        std::function<void(const BetaConfiguration&, const BetaFeedback&)> showFeedbackWindow;
        // Take the place of the kit's own quiet update check (a recorder of the checks' times)
        // and of its check on request.
        std::function<void(const BetaConfiguration&)> checkForUpdateQuietly;
        std::function<void(const BetaConfiguration&)> checkForUpdate;
    };
    static void setParts(Parts parts);

    // Once, at launch: gives the activity log its folder, detects a crash of the last run, logs
    // "beta.launch", and schedules the crash prompt and the first quiet update check. A second
    // call changes nothing. When the application's event loop is about to end, the kit lets go
    // of its windows, their models and every transfer (releaseAtQuit()).
    static void start(const BetaConfiguration& configuration);
    static void releaseAtQuit();
    static bool lastRunCrashed();
    // A copy of the started configuration; none before start().
    static std::optional<BetaConfiguration> configuration();
    // The kit's folder of the started configuration; empty before start().
    static QString supportFolder();

    // Opens the feedback window (or brings the open one forward) on fresh feedback of `kind`.
    static void showFeedback(BetaFeedback::Kind kind, bool afterCrash);
    // "<app> quit unexpectedly last time. Tell us what happened?"
    static void askAboutCrash();
    // The quiet update check: silent unless it finds a newer build that runs here, which it
    // offers in the update window.
    static void checkForUpdateQuietly();
    // The check on request: the update window in its checking stage, then the check's answer.
    // A window that is downloading or installing only comes forward. Nothing before start().
    static void checkForUpdate();
    // Draws the update window for the feed document `feed` with `installedBuild` installed into
    // a PNG at `path` without showing it: the available stage (520 × 560) when the feed's build
    // is newer, else the up-to-date stage (520 × 240). False, and no file, before start(), for
    // a feed that does not decode, or when the file can't be written.
    static bool renderUpdate(const QByteArray& feed, const QString& installedBuild, bool dark,
                             const QString& path);
    // The report as it would be sent now (invalid UTF-8 shown as replacement characters).
    static QString reportText(const BetaFeedback& feedback);
    // Builds the report now and uploads it to the configured endpoint; `done` gets the report's
    // identifier or the error, on the main thread.
    static void send(const BetaFeedback& feedback, std::function<void(BetaSendResult)> done);

    // Posts `report` (packed) to `endpoint` with the application key; `done` gets the outcome on
    // the main thread, always on a later turn. An empty report is refused without a request. No
    // redirect is followed: a 3xx is judged as the server's answer, like any other it does not accept.
    static void uploadReport(const QByteArray& report, const QUrl& endpoint, const QString& key,
                             std::function<void(BetaSendResult)> done);
    // Saves `report` as "<appName> beta report.json" in a new folder "Beta report XXXXXXXX" of the
    // temporary folder and hands it to the mail program, addressed to the feedback address; when
    // no mail program takes it with the attachment, opens a mailto: message and shows the file
    // in the file manager. A file that could not be written is neither attached nor shown.
    static void mailReport(const QByteArray& report, const BetaConfiguration& configuration,
                           const QString& subject);

    // The updater (update/): the feed's address, its fetch, the installed version, the sentence of
    // an error, and the build the user closed the update window on.
    static QUrl updateFeedURL(const BetaConfiguration& config);
    // Fetches and decodes the feed; `done` runs once, on the main thread. The task cancels it.
    static std::shared_ptr<UpdateTask> fetchFeed(const BetaConfiguration& config,
                                                 std::function<void(UpdateResult<UpdateFeed>)> done);
    static InstalledVersion installedVersion(const BetaConfiguration& config);
    static QString updateErrorText(const UpdateError& error);
    // Raises the declined build to the feed's newest build and logs "beta.update_declined" when it
    // was below; the update window calls it as it closes after an offer.
    static void recordDecline(const UpdateFeed& feed);
    // The highest build declined in this run (0 at start); kept in memory only.
    static qint64 declinedBuild();
    // Test entries of the install chain, which the program itself never calls: the download (the
    // fraction received, when the server announces a length), the verification and unpacking of an
    // archive on the caller's thread (the staged application, or why not), and the swap of a staged
    // application into `target` after process `pid` has ended, opening nothing.
    static std::shared_ptr<UpdateTask> downloadForCheck(const QUrl& url, std::function<void(double)> progress,
                                                        std::function<void(UpdateResult<QString>)> done);
    static UpdateResult<QString> checkUpdateZip(const QString& zip, qint64 bytes, const QString& sha256,
                                                const QString& build, const QString& target);
    static std::optional<UpdateError> swapUpdate(const QString& staged, const QString& target, qint64 pid);

    // Draws the feedback form on `feedback`, in the editing stage, 580 × `height` pixels, in the
    // dark or the light scheme whatever the desktop's, into a PNG file at `path` (replacing one
    // there), without showing a window. False before start() or when the file could not be
    // written. Main thread.
    static bool renderForm(const BetaFeedback& feedback, bool dark, int height, const QString& path);

    // Testing hook: forgets the configuration, the crash flag, the parts, the quit observers and
    // the declined build.
    static void resetForTesting();

    static constexpr double kCrashPromptDelay = 1.5;
    static constexpr double kFirstCheckDelay = 4.0;
    static constexpr double kFirstCheckDelayAfterCrash = 8.0;
};

// Observers of the program's orderly quit, run in registration order on the quitting thread.
class WillTerminate {
public:
    WillTerminate() = delete;
    static void observe(std::function<void()> observer);
    // The program calls this once, on its one way out.
    static void post();
    static void resetForTesting();
};

} // namespace betakit
