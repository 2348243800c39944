#pragma once

#include "UpdateError.h"
#include "UpdateFeed.h"

#include "betakit/BetaConfiguration.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>

namespace betakit {

// The model behind the update window: the stage it shows and the work that moves it on.
//
// Main thread only. Every change of stage runs the change rule (an available stage records its
// feed as `offered`, and a change between a short and a tall stage calls the resize hook) and then
// emits stageChanged(). The window reads `stage()`, binds its buttons to runCheck(),
// startDownload() and cancelTask(), and calls windowWillClose() as it closes.
class UpdateModel final : public QObject {
    Q_OBJECT
public:
    class Stage {
    public:
        // In this order: the height classes are a mask over the case numbers.
        enum class Case {
            Available,
            UpToDate,
            TooOld,
            CouldNotCheck,
            Downloading,
            Failed,
            Checking,
            Installing
        };

        // A newer build that runs here is offered.
        static Stage available(UpdateFeed feed);
        // Nothing newer: `latest` is the feed's newest version; `ahead` when the installed build is above it.
        static Stage upToDate(QString latest, bool ahead);
        // A newer build needs a newer system than this one; `minimum` may be empty.
        static Stage tooOld(QString minimum);
        static Stage couldNotCheck(QString message);
        static Stage downloading(qint64 received, qint64 total);
        // The download or installation failed; the feed, when there is one, lets the window offer the
        // website.
        static Stage failed(QString message, std::optional<UpdateFeed> feed);
        static Stage checking();
        static Stage installing();

        Case kind() const { return m_case; }
        // available and failed.
        const std::optional<UpdateFeed>& feed() const { return m_feed; }
        // upToDate's latest version, tooOld's minimum, couldNotCheck's and failed's message.
        const QString& text() const { return m_text; }
        bool ahead() const { return m_ahead; }
        qint64 received() const { return m_received; }
        qint64 total() const { return m_total; }

        // upToDate, tooOld, couldNotCheck, failed and checking are short; the others tall.
        bool isShort() const { return (kShortMask >> int(m_case)) & 1; }
        static constexpr unsigned kShortMask = 0x6E;

        friend bool operator==(const Stage&, const Stage&) = default;

    private:
        explicit Stage(Case c) : m_case(c) {}

        Case m_case;
        std::optional<UpdateFeed> m_feed;
        QString m_text;
        bool m_ahead = false;
        qint64 m_received = 0;
        qint64 m_total = 0;
    };

    // The change rule does not run for the first stage; an available one is recorded as offered.
    UpdateModel(BetaConfiguration config, Stage stage, QObject* parent = nullptr);
    ~UpdateModel() override;

    const BetaConfiguration& config() const { return m_config; }
    const Stage& stage() const { return m_stage; }
    // The update window's heading for the stage now.
    QString title() const;
    void setStage(Stage stage);
    // Called with true when the stage becomes short, false when it becomes tall.
    void setOnResize(std::function<void(bool isShort)> onResize) { m_onResize = std::move(onResize); }
    // The last feed shown in the available stage; never cleared.
    const std::optional<UpdateFeed>& offered() const { return m_offered; }
    // The work running now (check, download or installation), if any.
    const std::shared_ptr<UpdateTask>& task() const { return m_task; }

    // The check on request: checking, then the check's result or couldNotCheck. A task held
    // before is let go, not cancelled: it still sets its stage when it ends.
    void runCheck();
    // "Download": fetches the offered build (downloading, with progress), verifies and unpacks it
    // beside the application off the main thread (installing), starts the swap and quits. A cancel
    // while downloading, or one that comes after the archive arrived but before its verification
    // began, removes the archive and goes back to available, logging nothing; any other failure
    // logs "beta.update_failed" and shows failed with its sentence.
    // The feed is taken by value: it may be the one in the stage this replaces.
    void startDownload(UpdateFeed feed);
    // "Cancel": cancels the running task. A download goes back to available; a started
    // verification and installation run on.
    void cancelTask();
    // The window closes: the task is cancelled and an offer is recorded as declined.
    void windowWillClose();

    // What installing needs of the process: its id (the swap waits for it to end) and the way to
    // quit through the program's orderly quit. The program's own by default; tests put in theirs.
    struct Process {
        std::function<qint64()> pid;
        std::function<void()> terminate;
    };
    static void setProcessForTesting(Process process);

signals:
    void stageChanged();

private:
    class DownloadChain;
    void verifyAndInstall(const QString& zip, const UpdateFeed& feed,
                          const std::shared_ptr<DownloadChain>& chain);
    void install(const QString& staged, const UpdateFeed& feed);
    // The failure rule: a cancellation goes back to available, anything else is logged and shown.
    void fail(const UpdateFeed& feed, const UpdateError& error);

    BetaConfiguration m_config;
    Stage m_stage;
    std::function<void(bool)> m_onResize;
    std::optional<UpdateFeed> m_offered;
    std::shared_ptr<UpdateTask> m_task;
};

// The text beside the download's bar: "40% 5MB/13MB", "75% 1.5GB/2.0GB". Megabytes and tenths of
// gigabytes are rounded up, the percentage down; the unit follows the total.
QString progressText(qint64 received, qint64 total);

// The highest build declined in this run (0 at start); kept in memory only.
qint64 declinedBuild();
// Raises the declined build to the feed's newest build and logs "beta.update_declined" when it was
// below; the update window calls it as it closes after an offer.
void recordDecline(const UpdateFeed& feed);
// The sentence of an updater's error.
QString updateErrorText(const UpdateError& error);

// Forgets the declined build and the process of a test; the kit's reset for tests calls it.
void resetUpdaterStateForTesting();

} // namespace betakit
