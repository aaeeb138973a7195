#include "SoundingSong_linux.h"

#include "GstSupport_linux.h"
#include "NativeAudioPlayerInternal.h"

#include <gst/gst.h>

namespace QzMultiMedia {

SoundingSong_linux::SoundingSong_linux(QObject* parent)
    : QObject(parent)
{
    // A song without tags is not waited for longer than this.
    m_advanceWait.setInterval(150);
    m_advanceWait.setSingleShot(true);
    connect(&m_advanceWait, &QTimer::timeout, this, &SoundingSong_linux::finishAdvance);
}

SoundingSong_linux::~SoundingSong_linux()
{
    if (m_pTagList)
        gst_tag_list_unref(m_pTagList);
}

const PipelineSong& SoundingSong_linux::song() const
{
    return m_song;
}

PipelineSong& SoundingSong_linux::song()
{
    return m_song;
}

void SoundingSong_linux::replace(const PipelineSong& song)
{
    forget();
    m_song = song;
}

void SoundingSong_linux::forget()
{
    if (m_pTagList) {
        gst_tag_list_unref(m_pTagList);
        m_pTagList = nullptr;
    }
    if (m_song.tags != SongTags()) {
        m_song.tags = SongTags();
        emit tagsChanged();
    }
    if (m_song.duration != 0) {
        m_song.duration = 0;
        emit durationChanged(0);
    }
}

void SoundingSong_linux::takeOver(const PipelineSong& song, GstElement* pipeline)
{
    m_song = song;
    if (m_pTagList)
        gst_tag_list_unref(m_pTagList);
    m_pTagList = nullptr;
    g_signal_emit_by_name(pipeline, "get-audio-tags", 0, &m_pTagList);
    if (m_pTagList)
        m_pTagList = gst_tag_list_make_writable(m_pTagList);
    m_song.tags = m_pTagList ? GstSupport::songTags(m_pTagList, m_song.stream) : SongTags();
    m_bAdvancePending = true;
    m_advanceWait.start();
    readDuration(pipeline);
}

void SoundingSong_linux::crossInto(const PipelineSong& song, GstElement* pipeline)
{
    m_song = song;
    takeDuration(pipeline, true, false);
    emit advanced();
}

// Only what reached the output belongs to the song that sounds: a song taken over is decoded ahead, and its tags
// pass the decoder while the one before still plays.
void SoundingSong_linux::addTags(GstMessage* message)
{
    GstTagList* list = nullptr;
    gst_message_parse_tag(message, &list);
    if (!list)
        return;
    // The list is shared with the message; the merged one must be ours alone.
    if (m_pTagList) {
        gst_tag_list_insert(m_pTagList, list, GST_TAG_MERGE_REPLACE);
        gst_tag_list_unref(list);
    } else {
        m_pTagList = gst_tag_list_make_writable(list);
    }
    const SongTags tags = GstSupport::songTags(m_pTagList, m_song.stream);
    if (tags == m_song.tags)
        return;
    m_song.tags = tags;
    if (!m_bAdvancePending)
        emit tagsChanged();
}

void SoundingSong_linux::readDuration(GstElement* pipeline, bool ready)
{
    takeDuration(pipeline, ready, true);
}

void SoundingSong_linux::takeDuration(GstElement* pipeline, bool ready, bool announce)
{
    gint64 ns = 0;
    if (!pipeline || !gst_element_query_duration(pipeline, GST_FORMAT_TIME, &ns) || ns < 0)
        ns = -1;
    qint64 ms = ns < 0 ? m_song.end : NativeAudioPlayerInternal::durationFromSeconds(double(ns) / GST_SECOND);
    if (ms < 0 || (ns < 0 && !ready))
        return;
    if (m_song.end >= 0)
        ms = qMin(ms, m_song.end);
    ms = qMax<qint64>(0, ms - m_song.start);
    if (ms == m_song.duration)
        return;
    m_song.duration = ms;
    if (announce && !m_bAdvancePending)
        emit durationChanged(ms);
}

void SoundingSong_linux::finishAdvance()
{
    if (!m_bAdvancePending)
        return;
    m_bAdvancePending = false;
    m_advanceWait.stop();
    emit advanced();
}

void SoundingSong_linux::messagesRead()
{
    if (m_bAdvancePending && m_pTagList)
        finishAdvance();
}

void SoundingSong_linux::cancelAdvance()
{
    m_bAdvancePending = false;
    m_advanceWait.stop();
}

} // namespace QzMultiMedia
