// What the download tests share: a registry sandbox, a folder of their own
// for the files, a job list made on demand (and made again to restart),
// short network time-outs, and a clock the test moves by hand.
#pragma once

#include "common/TickClock.h"
#include "content/HttpFetch.h"
#include "content/download/DownloadJobList.h"
#include "support/RegistrySandbox.h"
#include "support/ScratchFolder.h"
#include "support/TestHttpServer.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

using Content::Download::CDownloadJob;
using Content::Download::CDownloadJobList;

class DownloadTest : public ::testing::Test
{
protected:
    using Reply = CTestHttpServer::Reply;
    using Request = CTestHttpServer::Request;

    void SetUp() override
    {
        Content::CFetchLimits limits = m_savedLimits;
        limits.connectTimeout = 5000;
        limits.sendTimeout = 5000;
        limits.receiveTimeout = 10000;
        Content::SetFetchLimits(limits);
        s_now = 1000000;
        Common::SetTickCountSource([] { return s_now.load(); });
    }
    void TearDown() override
    {
        m_list.reset();
        Common::SetTickCountSource(nullptr);
        Content::SetFetchLimits(m_savedLimits);
    }

    static void Advance(uint64_t milliseconds) { s_now += milliseconds; }

    CDownloadJobList& List()
    {
        if (!m_list)
        {
            m_list.reset(new CDownloadJobList(m_folder.Path().c_str()));
        }
        return *m_list;
    }
    // Ends this run of the list (writing it back) and starts the next.
    CDownloadJobList& Restart()
    {
        m_list.reset();
        return List();
    }
    CDownloadJob* Add(const std::string& url)
    {
        EXPECT_TRUE(List().AddJob(url.c_str())) << url;
        return List().JobAt(List().JobCount() - 1);
    }
    // A job stored by an earlier run, in the older layout (a key named by
    // the URL, without values); read when the list loads.
    static void Store(const std::string& url)
    {
        TestRegistry::CreateKey(HKEY_CURRENT_USER,
                                (std::string(CDownloadJobList::RegistryPath) + "\\" + url).c_str());
    }
    CDownloadJob* Find(const std::string& url)
    {
        for (unsigned i = 0; i < List().JobCount(); ++i)
        {
            if (List().JobAt(i)->GetUrl() == CString(url.c_str()))
            {
                return List().JobAt(i);
            }
        }
        ADD_FAILURE() << "no job for " << url;
        return nullptr;
    }

    static bool WaitForState(const CDownloadJob* job, int state)
    {
        return job != nullptr && WaitUntil([&] { return job->GetState() == state; }, 20000);
    }
    // Failed and Finished are the last states.
    static bool WaitForEnd(const CDownloadJob* job)
    {
        return job != nullptr && WaitUntil([&] { return job->GetState() >= CDownloadJob::Failed; }, 20000);
    }

    // Bytes that differ from position to position, so a misplaced piece shows.
    static std::string Body(size_t size, unsigned seed = 7)
    {
        std::string body(size, '\0');
        for (size_t i = 0; i < size; ++i)
        {
            body[i] = static_cast<char>((i * 31 + seed * 17 + i / 251) % 256);
        }
        return body;
    }
    static Reply File(const std::string& body, bool honourRange = true, unsigned long pieceDelayMs = 0)
    {
        Reply reply = Reply::Ok(body, "application/octet-stream");
        reply.honourRange = honourRange;
        reply.pieceSize = pieceDelayMs != 0 ? 16 * 1024 : 0;
        reply.pieceDelayMs = pieceDelayMs;
        return reply;
    }

    CRegistrySandbox m_sandbox;
    CScratchFolder m_folder;
    std::unique_ptr<CDownloadJobList> m_list;

private:
    const Content::CFetchLimits m_savedLimits = Content::GetFetchLimits();
    // Defined by each test program that includes this.
    static std::atomic<uint64_t> s_now;
};
