#pragma once

#include "Core/Engine/KeyValue/VLKeyValueObservingTarget.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct VLKeyValueObservingRegistration;

// Block observation of named properties, through an explicit observer list on the observed object.
// A class whose properties are observed derives from this and reports each change of a property with
// didChangeValueForKey; an owner of observations (the "observer") derives from it too, so that its
// observations end with it.
//
// A registration ends exactly once: when the observed object or the owner is destroyed, or when the
// owner removes it; its blocks are dropped then. A block may still be running on another thread while
// that happens, so blocks hold their owner weakly.
class VLKeyValueObserving {
public:
    VLKeyValueObserving() = default;
    VLKeyValueObserving(const VLKeyValueObserving&) = delete;
    VLKeyValueObserving& operator=(const VLKeyValueObserving&) = delete;
    virtual ~VLKeyValueObserving();

    // Observes the property named keyPath of this object on behalf of observer; subscribe blocks to the
    // result. nullptr when there is no observer.
    std::shared_ptr<VLKeyValueObservingTarget> vl_valuesForKeyPath(const std::string& keyPath,
                                                                   VLKeyValueObserving* observer);

    // Ends every observation of this object that observer made (its observations of other objects
    // stay); also forgets the observer's observations of objects that are gone.
    void vl_removeValuesObserver(VLKeyValueObserving* observer);

protected:
    // To be called by the class after a property changed, on the thread that changed it.
    void didChangeValueForKey(const std::string& key, const VLValue& oldValue, const VLValue& newValue);

private:
    friend struct VLKeyValueObservingRegistration;

    std::mutex _monitor;
    // Registrations on this object's properties.
    std::vector<std::shared_ptr<VLKeyValueObservingRegistration>> _observations;
    // Registrations this object made as an observer (its clean entries).
    std::vector<std::shared_ptr<VLKeyValueObservingRegistration>> _cleanEntries;

    void forgetObservation(const VLKeyValueObservingRegistration* registration);
};
