#include "spreadsheet/Application.h"

#include "common/Failure.h"
#include "spreadsheet/Constants.h"
#include "spreadsheet/WorkbookPresenter.h"

namespace spreadsheet {

std::shared_ptr<Application> Application::Create(std::shared_ptr<WorkbookPresenter> presenter) {
    return std::shared_ptr<Application>(new Application(std::move(presenter)));
}

Application::Application(std::shared_ptr<WorkbookPresenter> presenter)
    : presenter_(std::move(presenter)), workbookCollection_(*this) {}

Application::~Application() {
    if (!visible_ || !presenter_)
        return;
    for (const auto &workbook : workbooks_)
        presenter_->present(*workbook);
}

std::shared_ptr<Workbook> WorkbookCollection::Add() {
    auto &books = application_.workbooks_;
    books.push_back(std::make_unique<Workbook>(&application_));
    // Shares ownership with the application, which owns every workbook.
    return std::shared_ptr<Workbook>(application_.shared_from_this(), books.back().get());
}

int WorkbookCollection::Count() const {
    return static_cast<int>(application_.workbooks_.size());
}

void WindowCollection::Arrange(int arrangeStyle) {
    if (arrangeStyle != xl::ArrangeStyleTiled && arrangeStyle != xl::ArrangeStyleCascade &&
        arrangeStyle != xl::ArrangeStyleHorizontal && arrangeStyle != xl::ArrangeStyleVertical)
        throw Failure(FailureKind::Internal,
                      QStringLiteral("ウィンドウの並べ方 %1 は使用できません。").arg(arrangeStyle));
}

} // namespace spreadsheet
