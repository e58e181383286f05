#include "runtime/qt/player_engine.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <memory>

namespace quillet {
namespace {

class MediaPlayerEngine final : public PlayerEngine {
  public:
    explicit MediaPlayerEngine(PlayerReports reports) : reports_(std::move(reports)) {
        output_.setVolume(0.8f);
        MakePlayer();
    }

    ~MediaPlayerEngine() override { Stop(); }

    void Play(const QUrl& song, int token) override {
        token_ = token;
        if (streamFailed_) {
            MakePlayer();
        } else {
            player_->stop();
        }
        player_->setSource(song);
        player_->play();
    }

    void Toggle() override {
        if (player_->playbackState() == QMediaPlayer::PlayingState) {
            player_->pause();
        } else if (!player_->source().isEmpty()) {
            player_->play();
        }
    }

    void Seek(qint64 milliseconds) override { player_->setPosition(milliseconds); }
    void SetVolume(float volume) override { output_.setVolume(volume); }

    void Stop() override {
        player_->stop();
        player_->setSource(QUrl());
    }

  private:
    // A fresh player after a failure: GStreamer reports a failed stream late and more than
    // once, and a pipeline that failed does not always play the next address. A sound player
    // is kept otherwise, since making one sets up its audio sink again.
    void MakePlayer() {
        streamFailed_ = false;
        if (player_) {
            player_->disconnect();
            player_->stop();
        }
        player_ = std::make_unique<QMediaPlayer>();
        player_->setAudioOutput(&output_);
        QMediaPlayer* player = player_.get();
        QObject::connect(player, &QMediaPlayer::playbackStateChanged, player,
                         [this](QMediaPlayer::PlaybackState state) {
                             reports_.playing(token_, state == QMediaPlayer::PlayingState);
                         });
        QObject::connect(player, &QMediaPlayer::durationChanged, player,
                         [this](qint64 duration) { reports_.duration(token_, duration); });
        QObject::connect(player, &QMediaPlayer::positionChanged, player,
                         [this](qint64 position) { reports_.position(token_, position); });
        QObject::connect(player, &QMediaPlayer::errorOccurred, player,
                         [this](QMediaPlayer::Error, const QString& text) {
                             streamFailed_ = true;
                             reports_.failed(token_, text);
                         });
        // After an error the state can stay "playing"; the media status tells the truth.
        QObject::connect(player, &QMediaPlayer::mediaStatusChanged, player,
                         [this](QMediaPlayer::MediaStatus status) {
                             if (status != QMediaPlayer::InvalidMedia) return;
                             streamFailed_ = true;
                             reports_.failed(token_, QString());
                             player_->stop();
                         });
    }

    PlayerReports reports_;
    QAudioOutput output_;
    std::unique_ptr<QMediaPlayer> player_;
    int token_ = 0;
    bool streamFailed_ = false;
};

}  // namespace

PlayerEngine* MakeMediaPlayerEngine(PlayerReports reports) {
    return new MediaPlayerEngine(std::move(reports));
}

}  // namespace quillet
