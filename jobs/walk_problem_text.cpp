#include "jobs/walk_problem_text.h"

#include "core/text_util.h"
#include "core/texts.h"

std::string WalkProblemText(const WalkProblem& problem) {
    using texts::kLineBreak;
    switch (problem.kind) {
    case WalkProblemKind::LoginFailed:
        return Concat({texts::kConnectFailed, kLineBreak, problem.detail});
    case WalkProblemKind::WalkEnded:
        return Concat({texts::kListCutShort, kLineBreak,
                       problem.detail.empty() ? std::string_view(texts::kUnknownError)
                                              : std::string_view(problem.detail)});
    case WalkProblemKind::FolderMissing:
        return Concat({problem.folder, texts::kFolderMissing, kLineBreak, texts::kListCutShort});
    case WalkProblemKind::ListingUnreadable:
        return Concat({problem.folder, texts::kListingUnreadable, kLineBreak, problem.detail});
    case WalkProblemKind::FoldersTooDeep:
        return Concat({Filled(texts::kFoldersTooDeep, {{"depth", std::to_string(kMaxWalkDepth)},
                                                       {"count", std::to_string(problem.count)}}),
                       kLineBreak, problem.folder});
    case WalkProblemKind::FoldersRepeated:
        return Concat({Filled(texts::kFoldersRepeated, {{"count", std::to_string(problem.count)}}),
                       kLineBreak, problem.folder});
    case WalkProblemKind::MlsdRefused:
        return Filled(texts::kMlsdRefused, {{"mlsd", std::to_string(problem.count)},
                                            {"list", std::to_string(problem.listCount)}});
    }
    return {};
}
