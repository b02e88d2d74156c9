#include <QBoxLayout>

#include "app/creation/cards.hpp"
#include "app/creation/panel_texts.hpp"
#include "core/copy/copy_status.hpp"

namespace kestrove {

namespace {

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

}  // namespace

JudgeCard::JudgeCard(NewWatchModel& model, const JudgeQuestion& question, const QImage& thumbnail, QWidget* parent)
    : StageView(parent) {
    using namespace CardParts;
    using Q = JudgeQuestion;
    std::vector<BodyText> texts;
    std::vector<QWidget*> buttons{button(PanelText::cancel, [&model] { model.cancel(); })};
    auto offer = [&](std::string_view title, std::string_view body) {
        texts.push_back({headline(qs(title))});
        texts.push_back({plain(qs(body))});
    };
    auto primary = [&](const QString& title, std::function<void()> action) {
        buttons.push_back(button(title, action, /*isDefault=*/true));
        defaultAction = std::move(action);
    };
    auto anyChange = [&model](const WatchSpec& fallback) { return [&model, fallback] { model.confirm(fallback); }; };
    auto ask = [&model](const WatchSpec& spec, const WatchSpec& fallback) {
        return [&model, spec, fallback] { model.askTheModel(spec, fallback); };
    };

    if (const auto* q = question.as<Q::Consent>()) {
        offer(Copy::consentTitle, Copy::consentBody);
        buttons.push_back(button(PanelText::barkOnAnyChange, anyChange(q->fallback)));
        primary(PanelText::askTheModel, ask(q->spec, q->fallback));
    } else if (const auto* q = question.as<Q::LocalOnly>()) {
        offer(Copy::localOnlyBlocks, Copy::anyChangeOffer);
        primary(PanelText::barkOnAnyChange, anyChange(q->fallback));
    } else if (const auto* q = question.as<Q::NotSetUp>()) {
        offer(Copy::serverNotSetUp, Copy::anyChangeOfferForNow);
        primary(PanelText::barkOnAnyChange, anyChange(q->fallback));
    } else if (const auto* q = question.as<Q::Unreachable>()) {
        offer(Copy::serverUnreachable, Copy::anyChangeOfferForNow);
        buttons.push_back(button(PanelText::tryAgain, ask(q->spec, q->fallback)));
        primary(PanelText::barkOnAnyChange, anyChange(q->fallback));
    } else if (const auto* q = question.as<Q::UsedUp>()) {
        offer(Copy::modelChecksUsedUp(q->backAt), Copy::anyChangeOfferForNow);
        primary(PanelText::barkOnAnyChange, anyChange(q->fallback));
    } else if (const auto* q = question.as<Q::TwoReadings>()) {
        texts.push_back({headline(qs(Copy::twoReadings))});
        auto* kinds = new QWidget;
        auto* stack = new QVBoxLayout(kinds);
        stack->setContentsMargins(0, 0, 0, 0);
        stack->setSpacing(6);
        for (WatchType kind : q->kinds) {
            auto pick = [&model, kind, spec = q->spec] { model.pickReading(kind, spec); };
            stack->addWidget(button(qs(Copy::readingLabel(kind)), pick), 0, Qt::AlignLeft);
        }
        texts.push_back({kinds, 3});
    } else if (const auto* q = question.as<Q::NotVisible>()) {
        offer(Copy::judgeNotVisible, Copy::notVisibleQuestion);
        primary(PanelText::watchAnyway, [&model, spec = q->spec] { model.confirm(spec); });
    } else if (const auto* q = question.as<Q::AlreadyTrue>()) {
        offer(Copy::alreadyTrue, Copy::alreadyTrueQuestion);
        primary(PanelText::barkWhenItChanges, anyChange(q->fallback));
    }

    QBoxLayout* layout = cardLayout(this);
    layout->addWidget(body(thumbnail, texts));
    layout->addLayout(buttonRow(buttons));
}

}  // namespace kestrove
