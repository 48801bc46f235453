#pragma once

namespace spreadsheet {

// While one lives, the parts libxlsxwriter puts into its package on this
// thread are stored, not deflated. The finishing deflates every part of the
// first draft anew (or fills it in) on its workers; deflating them here as
// well cost libxlsxwriter more than writing them, for a sheet: a quarter
// megabyte of deflate state made and cleared per part.
//
// libxlsxwriter has no setting for it; its calls into minizip are passed
// through here instead (see StoredDraftParts.cpp). Where they do not come
// through, as with a libxlsxwriter that carries minizip within, the parts
// are deflated as before and the finishing inflates them.
class StoredDraftParts {
public:
    StoredDraftParts();
    ~StoredDraftParts();
    StoredDraftParts(const StoredDraftParts &) = delete;
    StoredDraftParts &operator=(const StoredDraftParts &) = delete;
};

} // namespace spreadsheet
