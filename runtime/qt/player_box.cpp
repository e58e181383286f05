#include "runtime/qt/player_box.h"

#include <QAudioOutput>
#include <QEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QMediaPlayer>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

#include "runtime/qt/gbk_qt.h"

namespace quillet {
namespace {

// Player times (milliseconds, 64 bits) as slider values.
int SliderValue(qint64 milliseconds) {
    return static_cast<int>(std::clamp<qint64>(milliseconds, 0, std::numeric_limits<int>::max()));
}

constexpr qint64 PageLimit = 1 << 20;  // a player page is a line; anything larger is not one

bool IsSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

// Character references in an attribute value: the named ones a page writer uses, and
// numeric ones. Anything else stays as written.
QString DecodeEntities(const QString& value) {
    static const struct {
        const char16_t* name;
        char16_t character;
    } Named[] = {{u"quot", u'"'}, {u"amp", u'&'}, {u"lt", u'<'}, {u"gt", u'>'}, {u"apos", u'\''}};
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const qsizetype semicolon = value[i] == u'&' ? value.indexOf(u';', i + 1) : -1;
        if (semicolon < 0 || semicolon - i > 10) {
            out += value[i];
            continue;
        }
        const QString name = value.mid(i + 1, semicolon - i - 1);
        bool decoded = false;
        if (name.startsWith(u'#') && name.size() > 1) {
            const bool hex = name[1] == u'x' || name[1] == u'X';
            bool ok = false;
            const uint code = name.mid(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
            if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
                const char32_t c = code;
                out += QString::fromUcs4(&c, 1);
                decoded = true;
            }
        } else {
            for (const auto& entity : Named) {
                if (name == QStringView(entity.name)) {
                    out += QChar(entity.character);
                    decoded = true;
                    break;
                }
            }
        }
        if (decoded) {
            i = semicolon;
        } else {
            out += value[i];
        }
    }
    return out;
}

}  // namespace

QString EmbedAddress(const QString& page) {
    const qsizetype tag = page.indexOf(u"<embed", 0, Qt::CaseInsensitive);
    if (tag < 0) return {};
    qsizetype i = tag + 6;
    if (i < page.size() && !IsSpace(page[i]) && page[i] != u'>' && page[i] != u'/') return {};
    // Attributes up to the end of the tag; a quoted value may hold '>'.
    while (i < page.size()) {
        while (i < page.size() && (IsSpace(page[i]) || page[i] == u'/')) ++i;
        if (i >= page.size() || page[i] == u'>') break;
        const qsizetype nameStart = i;
        while (i < page.size() && !IsSpace(page[i]) && page[i] != u'=' && page[i] != u'>') ++i;
        const QString name = page.mid(nameStart, i - nameStart);
        while (i < page.size() && IsSpace(page[i])) ++i;
        QString value;
        if (i < page.size() && page[i] == u'=') {
            ++i;
            while (i < page.size() && IsSpace(page[i])) ++i;
            if (i < page.size() && (page[i] == u'"' || page[i] == u'\'')) {
                const QChar quote = page[i];
                const qsizetype end = page.indexOf(quote, i + 1);
                if (end < 0) return {};  // cut off: no address to trust
                value = page.mid(i + 1, end - i - 1);
                i = end + 1;
            } else {
                const qsizetype valueStart = i;
                while (i < page.size() && !IsSpace(page[i]) && page[i] != u'>') ++i;
                value = page.mid(valueStart, i - valueStart);
            }
        }
        if (name.compare(u"src", Qt::CaseInsensitive) == 0) return DecodeEntities(value).trimmed();
    }
    return {};
}

PlayerBox::PlayerBox(QWidget* parent)
    : QWidget(parent),
      player_(nullptr),
      output_(new QAudioOutput(this)),
      message_(new QLabel(this)),
      playButton_(new QToolButton(this)),
      position_(new QSlider(Qt::Horizontal, this)),
      volume_(new QSlider(Qt::Horizontal, this)) {
    setObjectName(QStringLiteral("playerBox"));
    output_->setVolume(0.8f);

    message_->setObjectName(QStringLiteral("playerMessage"));
    message_->setAlignment(Qt::AlignCenter);
    message_->setWordWrap(true);
    playButton_->setObjectName(QStringLiteral("playerPlay"));
    playButton_->setAutoRaise(true);
    position_->setObjectName(QStringLiteral("playerPosition"));
    position_->setRange(0, 0);
    volume_->setObjectName(QStringLiteral("playerVolume"));
    volume_->setRange(0, 100);
    volume_->setValue(80);
    volume_->setFixedWidth(64);
    playButton_->setToolTip(GbkToQString("播放/暂停"));
    volume_->setToolTip(GbkToQString("音量"));

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(4, 0, 4, 4);
    bar->addWidget(playButton_);
    bar->addWidget(position_, 1);
    bar->addWidget(volume_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(message_, 1);
    layout->addLayout(bar);

    connect(playButton_, &QToolButton::clicked, this, [this] {
        if (player_->playbackState() == QMediaPlayer::PlayingState) {
            player_->pause();
        } else if (!player_->source().isEmpty()) {
            player_->play();
        }
    });
    // Seeking on the slider's own actions: a seek deferred to valueChanged gets lost.
    connect(position_, &QSlider::actionTriggered, this,
            [this](int) { player_->setPosition(position_->sliderPosition()); });
    connect(position_, &QSlider::sliderReleased, this,
            [this] { player_->setPosition(position_->sliderPosition()); });
    connect(volume_, &QSlider::valueChanged, this,
            [this](int value) { output_->setVolume(static_cast<float>(value) / 100.0f); });
    MakePlayer();
}

void PlayerBox::MakePlayer() {
    // A fresh player after a failure: GStreamer reports a failed stream late and more than
    // once, and a pipeline that failed does not always play the next address. A sound player
    // is kept, since making one sets up its audio sink again (a stall of the window).
    streamFailed_ = false;
    if (player_) {
        player_->disconnect(this);
        player_->stop();
        delete player_;
    }
    player_ = new QMediaPlayer(this);
    player_->setAudioOutput(output_);
    connect(player_, &QMediaPlayer::playbackStateChanged, this, [this] { UpdateButton(); });
    connect(player_, &QMediaPlayer::durationChanged, this,
            [this](qint64 duration) { position_->setRange(0, SliderValue(duration)); });
    connect(player_, &QMediaPlayer::positionChanged, this, [this](qint64 position) {
        if (!position_->isSliderDown()) {
            position_->setValue(SliderValue(position));
        }
    });
    // GStreamer reports a failure several times, the vaguest last: the first one is shown.
    connect(player_, &QMediaPlayer::errorOccurred, this,
            [this](QMediaPlayer::Error, const QString& text) {
                streamFailed_ = true;
                ShowError(GbkToQString("无法播放：") +
                          (text.isEmpty() ? GbkToQString("歌曲无法打开") : text));
            });
    // After an error the state can stay "playing"; the media status tells the truth.
    connect(player_, &QMediaPlayer::mediaStatusChanged, this,
            [this](QMediaPlayer::MediaStatus status) {
                if (status == QMediaPlayer::InvalidMedia) {
                    streamFailed_ = true;
                    ShowError(GbkToQString("无法播放：歌曲无法打开"));
                    player_->stop();
                }
            });
    UpdateButton();
}

PlayerBox::~PlayerBox() {
    Stop();
}

bool PlayerBox::eventFilter(QObject* watched, QEvent* event) {
    // The window's close ends the song at once, not when the window is deleted later.
    if (watched == window() && event->type() == QEvent::Close) Stop();
    return QWidget::eventFilter(watched, event);
}

void PlayerBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    KeepInsideWindow();
}

void PlayerBox::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    KeepInsideWindow();
}

void PlayerBox::KeepInsideWindow() {
    // The box may reach past its window's edge (the preview's box does); the bar and the
    // message keep to the part that shows.
    const int right = mapTo(window(), QPoint(width(), 0)).x();
    const int hidden = std::max(0, right - window()->width());
    layout()->setContentsMargins(0, 0, hidden, 0);
}

void PlayerBox::Navigate(const QString& address) {
    if (streamFailed_) {
        MakePlayer();
    } else {
        player_->stop();
    }
    position_->setRange(0, 0);
    message_->clear();
    const QUrl page = address.startsWith(u'/') ? QUrl::fromLocalFile(address) : QUrl(address);
    QFile file(page.isLocalFile() ? page.toLocalFile() : address);
    if (!page.isLocalFile() || !file.open(QFile::ReadOnly) || file.size() > PageLimit) {
        ShowError(GbkToQString("无法打开播放页面"));
        return;
    }
    const QByteArray bytes = file.read(PageLimit);
    const QString song = EmbedAddress(
        GbkToQString(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))));
    if (song.isEmpty()) {
        ShowError(GbkToQString("页面上没有可播放的歌曲"));
        return;
    }
    const QUrl url(song, QUrl::TolerantMode);
    if (!url.isValid() || url.scheme().isEmpty()) {
        ShowError(GbkToQString("无法播放：歌曲地址无效"));
        return;
    }
    player_->setSource(url);
    player_->play();
}

void PlayerBox::Stop() {
    player_->stop();
    player_->setSource(QUrl());
    position_->setRange(0, 0);
}

QString PlayerBox::Source() const {
    return player_->source().toString();
}

QString PlayerBox::ErrorText() const {
    return message_->text();
}

void PlayerBox::ShowError(const QString& text) {
    if (!message_->text().isEmpty()) return;  // the first report is the telling one
    message_->setText(text);
}

void PlayerBox::UpdateButton() {
    const bool playing = player_->playbackState() == QMediaPlayer::PlayingState;
    playButton_->setIcon(
        style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
}

PlayerBox* PlayerBoxIn(QWidget* placeholder) {
    if (!placeholder) return nullptr;
    return placeholder->findChild<PlayerBox*>(QString(), Qt::FindDirectChildrenOnly);
}

PlayerBox* MakePlayerBox(QWidget* placeholder) {
    if (!placeholder) return nullptr;
    if (PlayerBox* made = PlayerBoxIn(placeholder)) return made;
    auto* box = new PlayerBox(placeholder);
    placeholder->window()->installEventFilter(box);
    auto* layout = new QVBoxLayout(placeholder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(box);
    return box;
}

bool NavigatePlayerBox(QWidget* placeholder, const QString& address) {
    PlayerBox* box = MakePlayerBox(placeholder);
    if (!box) return false;
    box->Navigate(address);
    return true;
}

void PreparePlayerBackend() {
    // The FFmpeg backend of Qt 6.4 crashes without an audio device.
    if (!qEnvironmentVariableIsSet("QT_MEDIA_BACKEND")) {
        qputenv("QT_MEDIA_BACKEND", QByteArrayLiteral("gstreamer"));
    }
}

}  // namespace quillet
