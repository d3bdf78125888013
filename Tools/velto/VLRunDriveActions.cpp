#include "Tools/velto/VLRunDrive.h"

#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWindowServer.h"

#include <cmath>
#include <limits>
#include <unordered_map>

// The actions of `velto run --drive`, each read from its value once, when the file is loaded.

namespace {

using Machine = VLRunDrive::Machine;
using Action = VLRunDrive::Action;
// nullopt with the reason when the value is not of the action's type.
using ActionParser = std::function<std::optional<Action>(const VLValue& value, std::string& reason)>;

std::optional<double> driveNumber(const VLValue& value) {
    if (!value.isNumber() || !std::isfinite(value.doubleValue()))
        return std::nullopt;
    return value.doubleValue();
}

std::optional<int64_t> driveInteger(const VLValue& value, int64_t lowest, int64_t highest) {
    const std::optional<double> number = driveNumber(value);
    if (!number || std::trunc(*number) != *number || *number < double(lowest) || *number > double(highest))
        return std::nullopt;
    return int64_t(*number);
}

// An array of `count` finite numbers.
std::optional<std::vector<double>> driveNumbers(const VLValue& value, size_t count) {
    if (!value.isArray() || value.count() != count)
        return std::nullopt;
    std::vector<double> numbers;
    for (size_t i = 0; i < count; ++i) {
        std::optional<double> number = driveNumber(value[i]);
        if (!number)
            return std::nullopt;
        numbers.push_back(*number);
    }
    return numbers;
}

// From the top-left global coordinates of scripts to the driver's, y up, and back: the same flip.
VLRect driveFlipped(const Machine& machine, VLRect rect) {
    return machine.server->snapshot()->flip(rect);
}

std::optional<VLRect> driveFrame(const VLValue& value) {
    std::optional<std::vector<double>> numbers = driveNumbers(value, 4);
    if (!numbers)
        return std::nullopt;
    return VLRect((*numbers)[0], (*numbers)[1], (*numbers)[2], (*numbers)[3]);
}

std::optional<Action> refused(std::string& reason, const char* expected) {
    reason = expected;
    return std::nullopt;
}

// Actions whose value is a number of one kind.
ActionParser integerAction(int64_t lowest, int64_t highest, const char* expected,
                           std::function<void(VLWSDriver&, int64_t)> perform) {
    return [=](const VLValue& value, std::string& reason) -> std::optional<Action> {
        const std::optional<int64_t> number = driveInteger(value, lowest, highest);
        if (!number)
            return refused(reason, expected);
        return [perform, number = *number](Machine& machine) { perform(machine.server->driver(), number); };
    };
}

ActionParser buttonAction(void (VLWSDriver::*press)(int64_t, int64_t)) {
    return integerAction(0, 31, "takes a button number from 0 to 31",
                         [press](VLWSDriver& driver, int64_t button) { (driver.*press)(button, 0); });
}

ActionParser keyAction(std::function<void(VLWSDriver&, uint16_t)> perform) {
    return integerAction(0, std::numeric_limits<uint16_t>::max(), "takes a key code from 0 to 65535",
                         [perform](VLWSDriver& driver, int64_t code) { perform(driver, uint16_t(code)); });
}

ActionParser processAction(bool (VLWSDriver::*perform)(pid_t)) {
    return integerAction(1, std::numeric_limits<pid_t>::max(), "takes a process identifier",
                         [perform](VLWSDriver& driver, int64_t pid) { (driver.*perform)(pid_t(pid)); });
}

// Actions whose value is one of a few names.
template <typename Value>
ActionParser namedAction(std::vector<std::pair<std::string, Value>> names, const char* expected,
                         std::function<void(VLWSDriver&, Value)> perform) {
    return [=](const VLValue& value, std::string& reason) -> std::optional<Action> {
        for (const auto& name : names) {
            if (value.isString() && value.stringValue() == name.first)
                return [perform, meaning = name.second](Machine& machine) {
                    perform(machine.server->driver(), meaning);
                };
        }
        return refused(reason, expected);
    };
}

std::optional<Action> parseMoveMouse(const VLValue& value, std::string& reason) {
    const std::optional<std::vector<double>> point = driveNumbers(value, 2);
    if (!point)
        return refused(reason, "takes a point [x, y]");
    return [x = (*point)[0], y = (*point)[1]](Machine& machine) {
        machine.server->driver().moveMouse(driveFlipped(machine, VLRect(x, y, 0, 0)).origin);
    };
}

std::optional<Action> parseScroll(const VLValue& value, std::string& reason) {
    const std::optional<std::vector<double>> deltas = driveNumbers(value, 2);
    if (!deltas)
        return refused(reason, "takes deltas [dx, dy]");
    return
        [dx = (*deltas)[0], dy = (*deltas)[1]](Machine& machine) { machine.server->driver().scroll(dx, dy); };
}

std::optional<Action> parseLaunchApplication(const VLValue& value, std::string& reason) {
    const std::optional<int64_t> pid = driveInteger(value["pid"], 1, std::numeric_limits<pid_t>::max());
    if (!value.isDictionary() || !pid || !value["bundleIdentifier"].isString() || !value["name"].isString())
        return refused(reason, "takes {\"pid\", \"bundleIdentifier\", \"name\"}");
    VLWSRunningApplication application{.processIdentifier = pid_t(*pid),
                                       .bundleIdentifier = value["bundleIdentifier"].stringValue(),
                                       .localizedName = value["name"].stringValue()};
    return [application](Machine& machine) { machine.server->driver().launchApplication(application); };
}

// The optional fields of a window: absent ones keep what `window` holds.
bool driveWindowFields(const VLValue& value, VLWSForeignWindow& window, std::optional<VLRect>& frame) {
    if (value.dictionaryValue().contains("frame") && !(frame = driveFrame(value["frame"])))
        return false;
    if (value.dictionaryValue().contains("level")) {
        const std::optional<int64_t> level = driveInteger(value["level"], std::numeric_limits<int32_t>::min(),
                                                          std::numeric_limits<int32_t>::max());
        if (!level)
            return false;
        window.level = int32_t(*level);
    }
    if (value.dictionaryValue().contains("alpha")) {
        const std::optional<double> alpha = driveNumber(value["alpha"]);
        if (!alpha)
            return false;
        window.alpha = *alpha;
    }
    return true;
}

std::optional<Action> parseAddWindow(const VLValue& value, std::string& reason) {
    const char* expected = "takes {\"label\", \"pid\", \"frame\": [x, y, w, h], \"level\", \"alpha\"}";
    if (!value.isDictionary() || !value["label"].isString())
        return refused(reason, expected);
    const std::optional<int64_t> pid = driveInteger(value["pid"], 1, std::numeric_limits<pid_t>::max());
    VLWSForeignWindow window{.ownerPID = pid_t(pid.value_or(0))};
    std::optional<VLRect> frame;
    if (!pid || !value.dictionaryValue().contains("frame") || !driveWindowFields(value, window, frame))
        return refused(reason, expected);
    return [label = value["label"].stringValue(), window, frame = *frame](Machine& machine) mutable {
        if (auto application = machine.server->workspace().application(window.ownerPID))
            window.ownerName = application->localizedName;
        window.frame = driveFlipped(machine, frame);
        machine.windows[label] = machine.server->driver().addWindow(window);
    };
}

std::optional<Action> parseSetWindow(const VLValue& value, std::string& reason) {
    const char* expected = "takes {\"label\", and any of \"frame\", \"level\", \"alpha\"}";
    if (!value.isDictionary() || !value["label"].isString())
        return refused(reason, expected);
    // Checked now, applied over the window as it then is.
    VLWSForeignWindow checked;
    std::optional<VLRect> frame;
    if (!driveWindowFields(value, checked, frame))
        return refused(reason, expected);
    return [label = value["label"].stringValue(), value, frame](Machine& machine) {
        const auto number = machine.windows.find(label);
        if (number == machine.windows.end())
            return;
        for (VLWSForeignWindow window : machine.server->foreignWindows()) {
            if (window.number != number->second)
                continue;
            std::optional<VLRect> unused;
            driveWindowFields(value, window, unused);
            if (frame)
                window.frame = driveFlipped(machine, *frame);
            machine.server->driver().setWindow(window);
            return;
        }
    };
}

std::optional<Action> parseRemoveWindow(const VLValue& value, std::string& reason) {
    if (!value.isString())
        return refused(reason, "takes a window's label");
    return [label = value.stringValue()](Machine& machine) {
        if (const auto number = machine.windows.find(label); number != machine.windows.end())
            machine.server->driver().removeWindow(number->second);
    };
}

const std::unordered_map<std::string, ActionParser>& driveActions() {
    static const std::unordered_map<std::string, ActionParser> actions = {
        {"moveMouse", parseMoveMouse},
        {"mouseDown", buttonAction(&VLWSDriver::mouseDown)},
        {"mouseUp", buttonAction(&VLWSDriver::mouseUp)},
        {"scroll", parseScroll},
        {"key", keyAction([](VLWSDriver& driver, uint16_t code) { driver.typeKey(code, ""); })},
        {"keyDown", keyAction([](VLWSDriver& driver, uint16_t code) { driver.keyDown(code, ""); })},
        {"keyUp", keyAction([](VLWSDriver& driver, uint16_t code) { driver.keyUp(code, ""); })},
        {"keyRepeat",
         keyAction([](VLWSDriver& driver, uint16_t code) { driver.keyDown(code, "", 0, true); })},
        {"keyAccess", namedAction<VLWSListenAccess>({{"granted", VLWSListenAccess::Granted},
                                                     {"denied", VLWSListenAccess::Denied},
                                                     {"unknown", VLWSListenAccess::Unknown}},
                                                    "takes \"granted\", \"denied\" or \"unknown\"",
                                                    &VLWSDriver::setListenAccess)},
        {"appearance", namedAction<VLWSAppearance::Name>(
                           {{"light", VLWSAppearance::Name::Aqua}, {"dark", VLWSAppearance::Name::DarkAqua}},
                           "takes \"light\" or \"dark\"", &VLWSDriver::setAppearance)},
        {"sleep",
         [](const VLValue& value, std::string& reason) -> std::optional<Action> {
             if (!value.isBool())
                 return refused(reason, "takes true or false");
             return [asleep = value.boolValue()](Machine& machine) {
                 asleep ? machine.server->driver().sleep() : machine.server->driver().wake();
             };
         }},
        {"launchApplication", parseLaunchApplication},
        {"activateApplication", processAction(&VLWSDriver::activateApplication)},
        {"hideApplication", processAction(&VLWSDriver::hideApplication)},
        {"unhideApplication", processAction(&VLWSDriver::unhideApplication)},
        {"terminateApplication", processAction(&VLWSDriver::terminateApplication)},
        {"addDesktop", integerAction(1, std::numeric_limits<pid_t>::max(), "takes a process identifier",
                                     [](VLWSDriver& driver, int64_t pid) { driver.addDesktop(pid_t(pid)); })},
        {"addWindow", parseAddWindow},
        {"setWindow", parseSetWindow},
        {"removeWindow", parseRemoveWindow},
    };
    return actions;
}

} // namespace

std::optional<VLRunDrive::Action> VLRunDrive::parseAction(const std::string& name, const VLValue& value,
                                                          std::string& reason) {
    const auto parser = driveActions().find(name);
    if (parser == driveActions().end()) {
        reason = "unknown action \"" + name + "\"";
        return std::nullopt;
    }
    std::optional<Action> action = parser->second(value, reason);
    if (!action)
        reason = "\"" + name + "\" " + reason;
    return action;
}
