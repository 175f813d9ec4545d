// A channel's own options, kept in its registry key under
// SOFTWARE\tidelight\Channels\<channel key>. A persistent record loads in its
// constructor and writes back (or, once marked deleted, removes the key) in
// its destructor; the built-in services use non-persistent records that only
// hold defaults. Worker threads read the options while the interface thread
// edits them, so numbers are atomic and strings are copied under a lock.
#pragma once

#include "common/CString.h"
#include "common/UniqueHandle.h"
#include "core/RegistryStore.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>

class CChannelRecord
{
public:
    // Polling intervals in minutes; a stored value outside loads clamped.
    static const DWORD MinPollingInterval = 1;
    static const DWORD MaxPollingInterval = 60;

    CChannelRecord(const CString& key, bool persistent);
    ~CChannelRecord();
    CChannelRecord(const CChannelRecord&) = delete;
    CChannelRecord& operator=(const CChannelRecord&) = delete;

    // A key that could name its own registry key: not empty, no "\" (the
    // registry's separator), no control bytes and short enough for a key
    // name. Anything else would make the store write into, or delete,
    // "Channels" itself, or name a key nobody can see.
    static bool IsStorableKey(const CString& key);

    const CString& GetKey() const { return m_key; }
    CString GetUsername() const { return GetText(&CChannelRecord::m_username); }
    void SetUsername(const CString& username) { SetText(&CChannelRecord::m_username, username); }
    CString GetPassword() const { return GetText(&CChannelRecord::m_password); }
    void SetPassword(const CString& password) { SetText(&CChannelRecord::m_password, password); }

    bool GetRepeatHeadlines() const { return m_repeatHeadlines; }
    void SetRepeatHeadlines(bool value) { m_repeatHeadlines = value; }
    DWORD GetPollingInterval() const { return m_pollingInterval; }
    void SetPollingInterval(DWORD minutes) { m_pollingInterval = minutes; }
    bool GetEnabled() const { return m_enabled; }
    void SetEnabled(bool value) { m_enabled = value; }
    DWORD GetColor() const { return m_color; }
    void SetColor(DWORD index) { m_color = index; }
    DWORD GetIcon() const { return m_icon; }
    void SetIcon(DWORD index) { m_icon = index; }
    bool IsPersistent() const { return m_persistent; }
    bool IsDeleted() const { return m_deleted; }
    // The channel was removed: its key goes when the record is destroyed.
    void MarkDeleted() { m_deleted = true; }

    // "SOFTWARE\tidelight\Channels\" followed by the key.
    static CString RegistryPath(const CString& key);

    // What the channel's server told us about the copy we last read, sent
    // back so that an unchanged feed costs a 304 without a body. Empty when
    // unknown.
    CString GetEtag() const { return GetText(&CChannelRecord::m_etag); }
    void SetEtag(const CString& value) { SetText(&CChannelRecord::m_etag, value); }
    CString GetLastModified() const { return GetText(&CChannelRecord::m_lastModified); }
    void SetLastModified(const CString& value) { SetText(&CChannelRecord::m_lastModified, value); }
    // Where the feed lives now, after a permanent redirect; empty while it
    // is still at its key.
    CString GetCurrentUrl() const { return GetText(&CChannelRecord::m_currentUrl); }
    void SetCurrentUrl(const CString& value) { SetText(&CChannelRecord::m_currentUrl, value); }

    // How the channel's latest polls failed, kept across runs so that a
    // restart neither asks a server sooner than it allowed nor forgets why
    // a gone feed was switched off. No failures after a success.
    struct CPollFailure
    {
        // Consecutive failed polls.
        DWORD count = 0;
        // The last one's HTTP status; 0 when no answer came.
        DWORD status = 0;
        // When the channel is asked next (seconds since 1970, UTC); 0 when
        // it is not asked again.
        int64_t nextCheck = 0;
    };
    CPollFailure GetPollFailure() const;
    void SetPollFailure(const CPollFailure& failure);

private:
    // The options and what the server told us, in the order they are
    // written; the values of the latest failures, kept only while polls
    // fail. Both are walked under m_textLock.
    Registry::CStoredValues Values();
    Registry::CStoredValues FailureValues();
    CString GetText(CString CChannelRecord::*field) const;
    void SetText(CString CChannelRecord::*field, const CString& value);

private:
    Common::CUniqueKey m_registryKey;
    const CString m_key;
    CString m_username;
    CString m_password;
    // The defaults are in Values().
    std::atomic<bool> m_repeatHeadlines;
    std::atomic<DWORD> m_pollingInterval;
    std::atomic<bool> m_enabled;
    std::atomic<DWORD> m_color;
    std::atomic<bool> m_deleted{false};
    const bool m_persistent;
    std::atomic<DWORD> m_icon;
    mutable std::mutex m_textLock;
    CString m_etag;
    CString m_lastModified;
    CString m_currentUrl;
    CPollFailure m_pollFailure;
};
