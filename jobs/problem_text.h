#pragma once

#include <chrono>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>

#include "ftp/ftp_errors.h"
#include "jobs/retrieval.h"
#include "memory/site_memory.h"
#include "pagecheck/page_verdict.h"
#include "settings/SiteSettings.h"
#include "sitemap/upload.h"

// The catalogue's sentences for the failures the libraries report as kinds, shared by the two
// edges that show them (the window and the command line) and by the retrieval's messages.

// The sentence for an FTP failure, with its detail (the reply, the peer, the path, the bound).
std::string FailureText(const FtpFailure& failure);
// The sentence for an SFTP failure, with the offered host key and the detail.
std::string SftpFailureText(const SftpError& error);
// Why a step on the site's server failed, by either transport.
std::string ServerFailureText(const ServerFailure& failure);
// The sentence for whatever a conversation raised: FailureText for the FTP client's failures,
// the file and line of a damaged settings file, what() for others.
std::string ErrorText(const std::exception& error);
// Why an address cannot be the site's (empty for None).
std::string_view SiteUrlProblemText(SiteUrlProblem problem);
// That folder's config_v1.dat holds values the program cannot have written.
std::string SettingsGarbledText(const std::filesystem::path& folder);
// A bound as the sentences give it: "300ミリ秒", "60秒", "5分".
std::string DurationText(std::chrono::milliseconds duration);
// Why certificate could not be verified, then its subject, names, issuer, validity and
// fingerprint, a line each: what the user reads before deciding whether to trust it.
std::string CertificateText(const CertificateInfo& certificate);
// What a shrink check found, both numbers and the reason, in one text.
std::string ShrinkText(const ShrinkFinding& finding);
// Why an upload failed: the FTP client's failure, or the local file's or the shrink's reason.
std::string UploadFailureText(const UploadResult& result);
// The sentence for a problem of the site memory.
std::string MemoryProblemText(const SiteMemory::Problem& problem);
// The sentence for a problem of the walk.
std::string WalkProblemText(const WalkProblem& problem);
// What the page check said of a page, with its status and target.
std::string VerdictText(const PageVerdict& verdict);
