#pragma once

// The player box: pointed at a player page like a browser, it reads the page's
// <embed src=...> and plays that address with a small bar of its own (play/pause, position,
// volume). A page without an embed, or a stream that fails, shows a short error text instead.

#include <QPointer>
#include <QString>
#include <QWidget>

class QAudioOutput;
class QLabel;
class QMediaPlayer;
class QSlider;
class QToolButton;

namespace quillet {

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
    QString Source() const;
    /// The error text shown, empty while playing.
    QString ErrorText() const;
    /// The player of the current page (a new one for every page).
    QMediaPlayer* Player() const { return player_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void MakePlayer();
    void KeepInsideWindow();
    void ShowError(const QString& text);
    void UpdateButton();

    QMediaPlayer* player_;
    QAudioOutput* output_;
    QLabel* message_;
    QToolButton* playButton_;
    QSlider* position_;
    QSlider* volume_;
    bool streamFailed_ = false;  ///< the player's stream failed: the next page gets a new one
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
