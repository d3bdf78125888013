// The web's DOMException, which the engine does not provide. Evaluated once per context, before any
// prelude, so that preludes and native error texts ("NotAllowedError: ...") can make DOM errors.
(function (global) {
    'use strict';
    if (typeof global.DOMException === 'function')
        return;

    // Legacy names with their codes; the constant of each code is its upper-case name.
    const legacyErrors = [
        ['IndexSizeError', 'INDEX_SIZE_ERR'],
        ['DOMStringSizeError', 'DOMSTRING_SIZE_ERR'],
        ['HierarchyRequestError', 'HIERARCHY_REQUEST_ERR'],
        ['WrongDocumentError', 'WRONG_DOCUMENT_ERR'],
        ['InvalidCharacterError', 'INVALID_CHARACTER_ERR'],
        ['NoDataAllowedError', 'NO_DATA_ALLOWED_ERR'],
        ['NoModificationAllowedError', 'NO_MODIFICATION_ALLOWED_ERR'],
        ['NotFoundError', 'NOT_FOUND_ERR'],
        ['NotSupportedError', 'NOT_SUPPORTED_ERR'],
        ['InUseAttributeError', 'INUSE_ATTRIBUTE_ERR'],
        ['InvalidStateError', 'INVALID_STATE_ERR'],
        ['SyntaxError', 'SYNTAX_ERR'],
        ['InvalidModificationError', 'INVALID_MODIFICATION_ERR'],
        ['NamespaceError', 'NAMESPACE_ERR'],
        ['InvalidAccessError', 'INVALID_ACCESS_ERR'],
        ['ValidationError', 'VALIDATION_ERR'],
        ['TypeMismatchError', 'TYPE_MISMATCH_ERR'],
        ['SecurityError', 'SECURITY_ERR'],
        ['NetworkError', 'NETWORK_ERR'],
        ['AbortError', 'ABORT_ERR'],
        ['URLMismatchError', 'URL_MISMATCH_ERR'],
        ['QuotaExceededError', 'QUOTA_EXCEEDED_ERR'],
        ['TimeoutError', 'TIMEOUT_ERR'],
        ['InvalidNodeTypeError', 'INVALID_NODE_TYPE_ERR'],
        ['DataCloneError', 'DATA_CLONE_ERR'],
    ];
    // Taken now: a script that later replaces these changes nothing that the constructor does.
    const { Object, String } = global;
    const defineProperties = Object.defineProperties;
    const codes = Object.create(null);
    legacyErrors.forEach(([name], index) => {
        codes[name] = index + 1;
    });

    // Without a prototype, so that nothing a script puts on Object.prototype becomes part of it.
    const ownValue = (value) => ({ __proto__: null, value, writable: true, enumerable: false, configurable: true });

    class DOMException extends Error {
        constructor(message = '', name = 'Error') {
            super();
            name = String(name);
            // Own data properties, like an Error's message: natives set "code" on the made error.
            defineProperties(this, {
                message: ownValue(String(message)),
                name: ownValue(name),
                code: ownValue(codes[name] || 0),
            });
        }
    }

    legacyErrors.forEach(([, constant], index) => {
        const descriptor = { value: index + 1, writable: false, enumerable: true, configurable: false };
        Object.defineProperty(DOMException, constant, descriptor);
        Object.defineProperty(DOMException.prototype, constant, descriptor);
    });
    Object.defineProperty(DOMException.prototype, 'name', ownValue('Error'));
    Object.defineProperty(DOMException.prototype, Symbol.toStringTag, {
        value: 'DOMException', writable: false, enumerable: false, configurable: true,
    });
    Object.defineProperty(global, 'DOMException', ownValue(DOMException));
})
