#pragma once

// The player box: pointed at a player page like a browser, it reads the page's
// <embed src=...> and plays that address with a small bar of its own (play/pause, position,
// volume). A page without an embed, or a stream that fails, shows a short error text instead.
// The sound itself is played by an engine on the player thread (player_thread.h).

#include <QString>
#include <QWidget>
#include <memory>

class QLabel;
class QUrl;
class QSlider;
class QToolButton;

namespace quillet {

class PlayerEngineHandle;
struct PlayerReports;

/// The address of the first <embed>'s src in an HTML page, entities decoded; empty when the
/// page has none.
QString EmbedAddress(const QString& page);

class PlayerBox : public QWidget {
    Q_OBJECT

  public:
    explicit PlayerBox(QWidget* parent = nullptr);
    ~PlayerBox() override;

    /// Reads the page at `address` (a local path or a file: URL) and plays its embed.
    void Navigate(const QString& address);
    /// Stops playing and lets go of the stream.
    void Stop();

    /// The address being played, empty when none.
    QString Source() const { return source_; }
    /// The error text shown, empty while playing.
    QString ErrorText() const;
    /// Whether the song plays, as last reported by the engine.
    bool IsPlaying() const { return playing_; }
    /// The song's position in milliseconds, as last reported by the engine.
    qint64 Position() const { return positionMs_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    class Mailbox;

    PlayerReports Reports();
    void Play(const QUrl& song);
    void KeepInsideWindow();
    void ShowError(const QString& text);
    void ShowMissingEngine();
    void SetPlaying(bool playing);

    QLabel* message_;
    QToolButton* playButton_;
    QSlider* position_;
    QSlider* volume_;
    std::shared_ptr<Mailbox> mailbox_;
    std::unique_ptr<PlayerEngineHandle> engine_;
    int token_ = 0;  ///< the song shown; reports of earlier ones are dropped
    QString source_;
    bool playing_ = false;
    bool engineMissing_ = false;  ///< the player module could not be loaded
    qint64 positionMs_ = 0;
};

/// Makes the player box inside `placeholder` (once; later calls find it).
PlayerBox* MakePlayerBox(QWidget* placeholder);

/// The player box inside `placeholder`, if made.
PlayerBox* PlayerBoxIn(QWidget* placeholder);

/// Points the player box of `placeholder` at the page `address`, making the box first.
bool NavigatePlayerBox(QWidget* placeholder, const QString& address);

/// Chooses the media backend before the first player is made: GStreamer, unless the
/// environment names another. Call before any thread starts (it sets an environment variable).
void PreparePlayerBackend();

}  // namespace quillet
