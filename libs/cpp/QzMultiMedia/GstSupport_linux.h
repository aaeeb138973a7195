#pragma once

#include "SongTags.h"
#include "SoundStages.h"

#include <QByteArray>
#include <QString>

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;
typedef struct _GstObject GstObject;
typedef struct _GstTagList GstTagList;

namespace QzMultiMedia {

// The GStreamer pieces the Linux back end is built from. Nothing outside the back end includes this.
namespace GstSupport {

// GStreamer is set up on first use, so a start that never plays pays nothing for it; safe from any thread.
void ensureGstreamer();
// Loads what a first song needs besides the pipeline itself, so that the first song does not wait for it.
void loadCommonPlugins();

// PulseAudio's sink keeps one client main loop for all its instances and frees it when the last of them goes to
// NULL; a thread of playbin still setting up a song may ask that sink for its formats then (playbin takes its
// sink down before the bins of a song it drops), and the client library aborts the program. An idle sink in
// READY holds the loop while it lives. The loop also keeps the connections to the sound server, a dead one
// included: the hold goes when the server does.
GstElement* holdSoundServerLoop();
void releaseSoundServerLoop(GstElement* hold);

// An element of that name can be made (its plugin is installed); the log says once what is `without` it.
bool hasElement(const char* name, const char* without);

// The output: the device sink (autoaudiosink, or VIREO_AUDIO_SINK) behind one fixed sample format.
GstElement* makeAudioSink();
// The sound server's device the output plays to (empty: where the server sends a new stream), kept for the sinks
// the output makes later; a stream that plays now moves to `now` without stopping.
void chooseOutputDevice(GstElement* output, const QByteArray& device, const QByteArray& now);
// The stages between the decoder and the output: ReplayGain when on (with a limiter, so that a raised song never
// clips), the place between the speakers when off the middle, and always the equalizer, which passes the sound
// untouched while its bands are flat: a preset chosen while a song plays then applies at once. So does the tempo
// stage, which passes the sound untouched at the speed of 1.
GstElement* makeFilter(const SoundStages& stages);
// Changes what the stages of a filter made above can change while the song plays; false when the filter lacks
// a stage it needs now (it is made afresh with the next song).
bool setFilter(GstElement* filter, const SoundStages& stages);
// autoaudiosink fell back to its silent fake sink: nobody would hear the song.
bool playsIntoTheVoid(GstElement* pipeline);
// Writes an error or a warning from the bus to the debug log, with `what` before it.
void logMessage(const char* what, GstMessage* message);
// The message's sender is the output or inside it.
bool isInside(GstObject* source, GstElement* container);

// The tags a decoder reported, in the engine's terms.
// `station`: the list is an internet radio's, whose name (icy-name) stands in for a title it does not send.
SongTags songTags(const GstTagList* list, bool station = false);

// A local file is never a way to the network: a streaming manifest (HLS, DASH) saved under any name is recognised
// by its content, and an adaptive demuxer would fetch the addresses in it. The pipeline tries those demuxers only
// for internet streams the user handed over.
void keepFilesOffTheNetwork(GstElement* playbin);

// The address GStreamer opens a file by; empty for anything but a readable regular local file: opening a FIFO
// or a device would block the pipeline, and nothing is ever fetched.
QByteArray playableUri(const QString& fileName);

} // namespace GstSupport

} // namespace QzMultiMedia
