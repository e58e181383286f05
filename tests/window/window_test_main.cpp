// The window tests run without a display: Qt's offscreen platform, one QApplication.

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "runtime/qt/player_thread.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // The player box plays without a sound card: with every real audio sink ranked out,
    // GStreamer falls back to a fake sink paced by the clock, so positions advance in real time.
    setenv("QT_MEDIA_BACKEND", "gstreamer", 1);
    setenv("GST_PLUGIN_FEATURE_RANK",
           "pulsesink:NONE,pipewiresink:NONE,jackaudiosink:NONE,alsasink:NONE,osssink:NONE,"
           "oss4sink:NONE",
           1);
    setenv("PULSE_SERVER", "unix:/nonexistent", 1);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    // The engine linked in, not the module beside the program.
    quillet::UsePlayerEngineMaker(&quillet::MakeMediaPlayerEngine);
    return RUN_ALL_TESTS();
}
