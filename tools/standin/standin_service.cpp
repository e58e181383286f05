// A stand-in for the music service on 127.0.0.1: the search, song-info and address-conversion
// endpoints in the service's own reply forms, song files under /resource/ and artist pictures,
// from a generated catalogue. It can be told to misbehave, and it ends by itself.
//
//   quillet-standin [--port N] [--extra-songs N] [--song-bytes N] [--lifetime SECONDS]
//                   [--mode MODE] [--delay-ms N]
//
// It prints "127.0.0.1:PORT" once it listens. GET /__control?mode=MODE[&delay_ms=N] changes
// the behaviour at run time; GET /__log lists the requests served so far, one per line.
// GET /__control?gate=close holds every reply until GET /__control?gate=open (a minute at
// most); GET /__held counts the replies held now.
// Modes: normal, nomatch, nomp3, nomarker, emptyconvert, song404, slow, drop, badpicture
// (pictures that are no image).
//
// Song transfers: GET /__song?rate=BYTES_PER_SECOND (0: full speed) serves songs at that
// rate; GET /__song?drop_after=N ends the next song transfer after N bytes of its body, once;
// GET /__song?untagged=1 serves songs without their leading ID3 tag (untagged=0: with it).
// Songs answer Range requests (206 with Content-Range).

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "catalogue.h"

namespace {

using standin::Song;

struct Options {
    int port = 0;
    int extraSongs = 0;
    std::size_t songBytes = 4096;
    int lifetimeSeconds = 900;
    std::string mode = "normal";
    int delayMs = 3000;
};

class Behaviour {
  public:
    void Set(const std::string& mode, int delayMs) {
        std::lock_guard lock(mutex_);
        mode_ = mode;
        delayMs_ = delayMs;
    }
    std::string Mode() const {
        std::lock_guard lock(mutex_);
        return mode_;
    }
    int DelayMs() const {
        std::lock_guard lock(mutex_);
        return delayMs_;
    }
    void Log(const std::string& line) {
        std::lock_guard lock(mutex_);
        log_.push_back(line);
    }
    /// Closes or opens the gate: while it is closed, every reply waits (up to GateBound).
    void SetGate(bool closed) {
        {
            std::lock_guard lock(mutex_);
            gateClosed_ = closed;
        }
        gateChanged_.notify_all();
    }
    void PassGate() {
        std::unique_lock lock(mutex_);
        ++held_;
        gateChanged_.wait_for(lock, GateBound, [this] { return !gateClosed_; });
        --held_;
    }
    /// Replies waiting at the gate now.
    int Held() const {
        std::lock_guard lock(mutex_);
        return held_;
    }
    std::string LogText() const {
        std::lock_guard lock(mutex_);
        std::string text;
        for (const std::string& line : log_) text += line + "\n";
        return text;
    }

  private:
    static constexpr std::chrono::seconds GateBound{60};
    mutable std::mutex mutex_;
    std::condition_variable gateChanged_;
    bool gateClosed_ = false;
    int held_ = 0;
    std::string mode_;
    int delayMs_ = 0;
    std::vector<std::string> log_;
};

// How song bodies go out; set through /__song.
class SongTransfers {
  public:
    void SetRate(std::size_t bytesPerSecond) {
        std::lock_guard lock(mutex_);
        rate_ = bytesPerSecond;
    }
    void DropNextAfter(std::size_t bytes) {
        std::lock_guard lock(mutex_);
        dropAfter_ = bytes;
    }
    void SetUntagged(bool untagged) {
        std::lock_guard lock(mutex_);
        untagged_ = untagged;
    }
    std::size_t Rate() const {
        std::lock_guard lock(mutex_);
        return rate_;
    }
    bool Untagged() const {
        std::lock_guard lock(mutex_);
        return untagged_;
    }
    /// The bytes the transfer may still send before it is dropped; taking it ends the drop.
    std::optional<std::size_t> TakeDrop() {
        std::lock_guard lock(mutex_);
        std::optional<std::size_t> drop = dropAfter_;
        dropAfter_.reset();
        return drop;
    }

  private:
    mutable std::mutex mutex_;
    std::size_t rate_ = 0;
    std::optional<std::size_t> dropAfter_;
    bool untagged_ = false;
};

// A song body through a content provider, so that httplib answers Range requests (206 with
// Content-Range) and the rate and drop settings apply per chunk.
void ServeSong(httplib::Response& response, std::string bytes, SongTransfers& transfers) {
    auto body = std::make_shared<std::string>(std::move(bytes));
    auto sent = std::make_shared<std::size_t>(0);
    auto drop = std::make_shared<std::optional<std::size_t>>(transfers.TakeDrop());
    const std::size_t length = body->size();
    response.set_content_provider(
        length, "audio/mpeg",
        [body, sent, drop, &transfers](std::size_t offset, std::size_t wanted,
                                       httplib::DataSink& sink) {
            const std::size_t rate = transfers.Rate();
            // About ten chunks a second at a chosen rate, 64 KB chunks otherwise.
            std::size_t chunk = rate > 0 ? std::max<std::size_t>(rate / 10, 1) : 64 * 1024;
            chunk = std::min(chunk, wanted);
            if (*drop) {
                if (*sent >= **drop) return false;  // the connection ends here
                chunk = std::min(chunk, **drop - *sent);
            }
            if (rate > 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (!sink.write(body->data() + offset, chunk)) return false;
            *sent += chunk;
            return true;
        });
}

void AddSongControl(httplib::Server& server, SongTransfers& transfers) {
    server.Get("/__song", [&transfers](const httplib::Request& request,
                                       httplib::Response& response) {
        if (request.has_param("rate")) {
            transfers.SetRate(std::strtoull(request.get_param_value("rate").c_str(), nullptr, 10));
        }
        if (request.has_param("drop_after")) {
            transfers.DropNextAfter(
                std::strtoull(request.get_param_value("drop_after").c_str(), nullptr, 10));
        }
        if (request.has_param("untagged")) {
            transfers.SetUntagged(request.get_param_value("untagged") == "1");
        }
        response.set_content("ok\n", "text/plain");
    });
}

std::string HostOf(const httplib::Request& request, int port) {
    const std::string host = request.get_header_value("Host");
    return host.empty() ? "127.0.0.1:" + std::to_string(port) : host;
}

std::string SearchReply(const std::vector<Song>& songs, const std::string& key, bool noMatch) {
    std::string records;
    int count = 0;
    for (const Song& song : songs) {
        if (noMatch || count == 500) break;
        const bool hit = song.name.find(key) != std::string::npos ||
                         song.artist.find(key) != std::string::npos ||
                         song.album.find(key) != std::string::npos;
        if (!hit) continue;
        ++count;
        if (!records.empty()) records += ",";
        records += "{'rid':'" + song.rid + "','songName':'" + song.name + "','album':'" +
                   song.album + "','albumid':'" + std::to_string(count) + "','artist':'" +
                   song.artist + "','artistid':'" + std::to_string(count) +
                   "','formats':'WMA96|MP3128|MP3H','duration':'245'}";
    }
    const std::string total = std::to_string(count);
    return "try {var jsondata={'TOTAL':'" + total + "','SHOW':'" + total + "','abslist':[" +
           records + "]}} catch(e){}";
}

std::string SongInfoReply(const Song* song, const std::string& host, const std::string& mode) {
    if (!song) return "<Song></Song>";
    const std::string extension = mode == "nomp3" ? ".wma" : ".mp3";
    std::string reply = "<Song>\r\n<name>" + song->name + "</name>\r\n<artist>" + song->artist +
                        "</artist>\r\n<mp3path>" + song->rid + extension + "</mp3path>\r\n";
    if (mode != "nomarker") reply += "<mp3dl>" + host + "</mp3dl>\r\n";
    reply += "<artist_pic240>" +
             (song->hasPicture ? "http://" + host + "/pic/" + song->rid + ".jpg" : "") +
             "</artist_pic240>\r\n</Song>";
    return reply;
}

const Song* FindSong(const std::vector<Song>& songs, const std::string& rid) {
    for (const Song& song : songs) {
        if (song.rid == rid) return &song;
    }
    return nullptr;
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return false;
        const std::string value = argv[++i];
        if (arg == "--port") {
            options.port = std::atoi(value.c_str());
        } else if (arg == "--extra-songs") {
            options.extraSongs = std::atoi(value.c_str());
        } else if (arg == "--song-bytes") {
            options.songBytes = std::strtoull(value.c_str(), nullptr, 10);
        } else if (arg == "--lifetime") {
            options.lifetimeSeconds = std::atoi(value.c_str());
        } else if (arg == "--mode") {
            options.mode = value;
        } else if (arg == "--delay-ms") {
            options.delayMs = std::atoi(value.c_str());
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::cerr << "usage: quillet-standin [--port N] [--extra-songs N] [--song-bytes N] "
                     "[--lifetime SECONDS] [--mode MODE] [--delay-ms N]\n";
        return 2;
    }
    const std::vector<Song> songs = standin::MakeCatalogue(options.extraSongs);
    Behaviour behaviour;
    behaviour.Set(options.mode, options.delayMs);

    httplib::Server server;
    int port = 0;
    SongTransfers transfers;
    AddSongControl(server, transfers);

    // Every reply goes through here, so "slow" and "drop" apply to all endpoints alike.
    auto answer = [&](httplib::Response& response, std::string body, const char* type,
                      int status = 200) {
        behaviour.PassGate();
        const std::string mode = behaviour.Mode();
        if (mode == "slow") {
            std::this_thread::sleep_for(std::chrono::milliseconds(behaviour.DelayMs()));
        }
        response.status = status;
        if (mode == "drop") {
            // The header block goes out, then the connection ends without the body.
            const std::size_t length = body.size() + 1;
            response.set_content_provider(
                length, type, [](std::size_t, std::size_t, httplib::DataSink&) { return false; });
            return;
        }
        response.set_content(std::move(body), type);
    };

    server.set_logger([&](const httplib::Request& request, const httplib::Response&) {
        if (request.path.rfind("/__", 0) != 0) {
            behaviour.Log(request.method + " " + request.target);
        }
    });
    server.Get("/webmusic/getsjplayinfo",
               [&](const httplib::Request& request, httplib::Response& response) {
                   const bool noMatch = behaviour.Mode() == "nomatch";
                   answer(response, SearchReply(songs, request.get_param_value("key"), noMatch),
                          "text/plain; charset=utf-8");
               });
    server.Get("/webmusic/st/getNewMuiseByRid",
               [&](const httplib::Request& request, httplib::Response& response) {
                   const Song* song = FindSong(songs, request.get_param_value("rid"));
                   answer(response, SongInfoReply(song, HostOf(request, port), behaviour.Mode()),
                          "text/xml; charset=utf-8");
               });
    server.Get("/anti.s", [&](const httplib::Request& request, httplib::Response& response) {
        const Song* song = FindSong(songs, request.get_param_value("rid"));
        std::string body;
        if (song && behaviour.Mode() != "emptyconvert") {
            body = "http://" + HostOf(request, port) + "/resource/hq/" + song->rid + ".mp3";
        }
        answer(response, body, "text/plain");
    });
    server.Get(R"(/resource/(hq/)?(\w+)\.mp3)", [&](const httplib::Request& request,
                                                    httplib::Response& response) {
        const Song* song = FindSong(songs, request.matches[2]);
        if (!song || behaviour.Mode() == "song404") {
            answer(response, "not found", "text/plain", 404);
            return;
        }
        const bool high = request.matches[1].length() > 0;
        std::string bytes = standin::SongBytes(song->rid, options.songBytes * (high ? 2 : 1));
        if (transfers.Untagged()) bytes.erase(0, standin::SongTagBytes);
        if (behaviour.Mode() == "normal") {
            ServeSong(response, std::move(bytes), transfers);
        } else {
            answer(response, std::move(bytes), "audio/mpeg");
        }
    });
    server.Get(
        R"(/pic/(\w+)\.jpg)", [&](const httplib::Request& request, httplib::Response& response) {
            const Song* song = FindSong(songs, request.matches[1]);
            if (!song) {
                answer(response, "not found", "text/plain", 404);
                return;
            }
            if (behaviour.Mode() == "badpicture") {
                answer(response, "<html>no picture here</html>", "image/jpeg");
                return;
            }
            answer(response, standin::PictureJpeg(static_cast<unsigned>(song - songs.data())),
                   "image/jpeg");
        });
    server.Get("/__control", [&](const httplib::Request& request, httplib::Response& response) {
        if (request.has_param("gate")) {
            behaviour.SetGate(request.get_param_value("gate") == "close");
            response.set_content("ok\n", "text/plain");
            return;
        }
        const std::string delay = request.get_param_value("delay_ms");
        behaviour.Set(request.get_param_value("mode"),
                      delay.empty() ? options.delayMs : std::atoi(delay.c_str()));
        response.set_content("ok\n", "text/plain");
    });
    server.Get("/__held", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content(std::to_string(behaviour.Held()) + "\n", "text/plain");
    });
    server.Get("/__log", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content(behaviour.LogText(), "text/plain");
    });

    port = options.port > 0 && server.bind_to_port("127.0.0.1", options.port)
               ? options.port
               : (options.port > 0 ? -1 : server.bind_to_any_port("127.0.0.1"));
    if (port <= 0) {
        std::cerr << "quillet-standin: cannot listen on 127.0.0.1:" << options.port << "\n";
        return 1;
    }
    std::thread([&server, seconds = options.lifetimeSeconds] {
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        server.stop();
    }).detach();
    std::printf("127.0.0.1:%d\n", port);
    std::fflush(stdout);
    server.listen_after_bind();
    return 0;
}
