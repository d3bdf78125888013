#pragma once

// Adopted by every service contract: the abstract interface that VLServiceLocator resolves to one
// shared service.
class VLServiceContract {
public:
    virtual ~VLServiceContract() = default;
    // Called once, when the service is first resolved, outside the locator's lock: the service may
    // resolve other contracts from here.
    virtual void serviceDidRegister() {}
};
