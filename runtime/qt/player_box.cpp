#include "runtime/qt/player_box.h"

#include <QEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>
#include <mutex>

#include "runtime/qt/gbk_qt.h"
#include "runtime/qt/player_thread.h"

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

// Hands the engine's reports, made on the player thread, to the box on the GUI thread. The box
// closes it before it goes, so that no report is posted to a box that is gone.
class PlayerBox::Mailbox {
  public:
    explicit Mailbox(PlayerBox* box) : box_(box) {}

    void Deliver(std::function<void(PlayerBox&)> report) {
        const std::lock_guard lock(mutex_);
        if (!box_) return;
        QMetaObject::invokeMethod(
            box_, [box = box_, report = std::move(report)] { report(*box); }, Qt::QueuedConnection);
    }

    void Close() {
        const std::lock_guard lock(mutex_);
        box_ = nullptr;
    }

  private:
    std::mutex mutex_;
    PlayerBox* box_;
};

PlayerBox::PlayerBox(QWidget* parent)
    : QWidget(parent),
      message_(new QLabel(this)),
      playButton_(new QToolButton(this)),
      position_(new QSlider(Qt::Horizontal, this)),
      volume_(new QSlider(Qt::Horizontal, this)),
      mailbox_(std::make_shared<Mailbox>(this)) {
    setObjectName(QStringLiteral("playerBox"));

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

    const std::weak_ptr<Mailbox> mailbox = mailbox_;
    engine_ = std::make_unique<PlayerEngineHandle>(Reports(), [mailbox] {
        if (auto open = mailbox.lock()) {
            open->Deliver([](PlayerBox& box) {
                box.engineMissing_ = true;
                if (!box.source_.isEmpty()) box.ShowMissingEngine();
            });
        }
    });

    connect(playButton_, &QToolButton::clicked, this, [this] {
        if (!source_.isEmpty()) engine_->Send([](PlayerEngine& engine) { engine.Toggle(); });
    });
    // Seeking on the slider's own actions: a seek deferred to valueChanged gets lost.
    const auto seek = [this] {
        const qint64 to = position_->sliderPosition();
        engine_->Send([to](PlayerEngine& engine) { engine.Seek(to); });
    };
    connect(position_, &QSlider::actionTriggered, this, seek);
    connect(position_, &QSlider::sliderReleased, this, seek);
    connect(volume_, &QSlider::valueChanged, this, [this](int value) {
        const float volume = static_cast<float>(value) / 100.0f;
        engine_->Send([volume](PlayerEngine& engine) { engine.SetVolume(volume); });
    });
    SetPlaying(false);
}

// Each report goes to the box on the GUI thread, and counts only while the box still shows
// the song it was made for. The mailbox is held weakly: the engine may outlive the box.
PlayerReports PlayerBox::Reports() {
    const std::weak_ptr<Mailbox> mailbox = mailbox_;
    const auto deliver = [mailbox](int token, std::function<void(PlayerBox&)> report) {
        if (auto open = mailbox.lock()) {
            open->Deliver([token, report = std::move(report)](PlayerBox& box) {
                if (token == box.token_) report(box);
            });
        }
    };
    PlayerReports reports;
    reports.playing = [deliver](int token, bool playing) {
        deliver(token, [playing](PlayerBox& box) { box.SetPlaying(playing); });
    };
    reports.duration = [deliver](int token, qint64 duration) {
        deliver(token,
                [duration](PlayerBox& box) { box.position_->setRange(0, SliderValue(duration)); });
    };
    reports.position = [deliver](int token, qint64 position) {
        deliver(token, [position](PlayerBox& box) {
            box.positionMs_ = position;
            if (!box.position_->isSliderDown()) box.position_->setValue(SliderValue(position));
        });
    };
    // GStreamer reports a failure several times, the vaguest last: the first one is shown.
    reports.failed = [deliver](int token, const QString& text) {
        deliver(token, [text](PlayerBox& box) {
            box.ShowError(GbkToQString("无法播放：") +
                          (text.isEmpty() ? GbkToQString("歌曲无法打开") : text));
        });
    };
    return reports;
}

PlayerBox::~PlayerBox() {
    mailbox_->Close();
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
    Stop();
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
    Play(url);
}

void PlayerBox::Play(const QUrl& song) {
    source_ = song.toString();
    if (engineMissing_) {
        ShowMissingEngine();
        return;
    }
    const int token = token_;
    engine_->Send([song, token](PlayerEngine& engine) { engine.Play(song, token); });
}

void PlayerBox::Stop() {
    ++token_;  // whatever the engine still says of the song stopped is old news
    if (!source_.isEmpty()) engine_->Send([](PlayerEngine& engine) { engine.Stop(); });
    source_.clear();
    positionMs_ = 0;
    position_->setRange(0, 0);
    SetPlaying(false);
}

QString PlayerBox::ErrorText() const {
    return message_->text();
}

void PlayerBox::ShowError(const QString& text) {
    if (!message_->text().isEmpty()) return;  // the first report is the telling one
    message_->setText(text);
}

void PlayerBox::ShowMissingEngine() {
    ShowError(GbkToQString("无法播放：播放组件无法加载"));
}

void PlayerBox::SetPlaying(bool playing) {
    playing_ = playing;
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
