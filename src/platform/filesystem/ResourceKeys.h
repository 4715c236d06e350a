#pragma once

// Names of the values the metadata service reports, as the rest of the system asks for them.
namespace vistrel::ResourceKey {
inline constexpr const char* localizedName = "NSURLLocalizedNameKey";
inline constexpr const char* fileContentIdentifier = "NSURLFileContentIdentifierKey";
inline constexpr const char* isApplication = "NSURLIsApplicationKey";
inline constexpr const char* applicationIsScriptable = "NSURLApplicationIsScriptableKey";
inline constexpr const char* addedToDirectoryDate = "NSURLAddedToDirectoryDateKey";
inline constexpr const char* mayHaveExtendedAttributes = "NSURLMayHaveExtendedAttributesKey";
inline constexpr const char* mayShareFileContent = "NSURLMayShareFileContentKey";
inline constexpr const char* preferredIOBlockSize = "NSURLPreferredIOBlockSizeKey";
inline constexpr const char* documentIdentifier = "NSURLDocumentIdentifierKey";
inline constexpr const char* localizedTypeDescription = "NSURLLocalizedTypeDescriptionKey";
inline constexpr const char* labelNumber = "NSURLLabelNumberKey";
inline constexpr const char* tagNames = "NSURLTagNamesKey";
inline constexpr const char* localizedLabel = "NSURLLocalizedLabelKey";
inline constexpr const char* hasHiddenExtension = "NSURLHasHiddenExtensionKey";
inline constexpr const char* parentDirectoryURL = "NSURLParentDirectoryURLKey";
inline constexpr const char* generationIdentifier = "NSURLGenerationIdentifierKey";
inline constexpr const char* isSparse = "NSURLIsSparseKey";
inline constexpr const char* isExcludedFromBackup = "NSURLIsExcludedFromBackupKey";
inline constexpr const char* isExecutable = "NSURLIsExecutableKey";
inline constexpr const char* isPackage = "NSURLIsPackageKey";
inline constexpr const char* isHidden = "NSURLIsHiddenKey";
inline constexpr const char* isSystemImmutable = "NSURLIsSystemImmutableKey";
inline constexpr const char* isReadable = "NSURLIsReadableKey";
inline constexpr const char* isUserImmutable = "NSURLIsUserImmutableKey";
inline constexpr const char* isWritable = "NSURLIsWritableKey";
inline constexpr const char* linkCount = "NSURLLinkCountKey";
inline constexpr const char* creationDate = "NSURLCreationDateKey";
inline constexpr const char* attributeModificationDate = "NSURLAttributeModificationDateKey";
inline constexpr const char* contentType = "NSURLContentTypeKey";
inline constexpr const char* contentModificationDate = "NSURLContentModificationDateKey";
inline constexpr const char* contentAccessDate = "NSURLContentAccessDateKey";
inline constexpr const char* totalFileSize = "NSURLTotalFileSizeKey";
inline constexpr const char* totalFileAllocatedSize = "NSURLTotalFileAllocatedSizeKey";
inline constexpr const char* fileResourceType = "NSURLFileResourceTypeKey";
inline constexpr const char* isPurgeable = "NSURLIsPurgeableKey";
inline constexpr const char* isDirectory = "NSURLIsDirectoryKey";
// Set beside contentType when the type is only the default guess for unknown data.
inline constexpr const char* contentTypeIsDynamic = "VistrelContentTypeIsDynamicKey";
} // namespace vistrel::ResourceKey

namespace vistrel::FileAttributeKey {
inline constexpr const char* groupOwnerAccountID = "NSFileGroupOwnerAccountID";
inline constexpr const char* groupOwnerAccountName = "NSFileGroupOwnerAccountName";
inline constexpr const char* ownerAccountID = "NSFileOwnerAccountID";
inline constexpr const char* ownerAccountName = "NSFileOwnerAccountName";
inline constexpr const char* posixPermissions = "NSFilePosixPermissions";
inline constexpr const char* immutable = "NSFileImmutable";
inline constexpr const char* appendOnly = "NSFileAppendOnly";
inline constexpr const char* busy = "NSFileBusy";
inline constexpr const char* systemFileNumber = "NSFileSystemFileNumber";
inline constexpr const char* systemNumber = "NSFileSystemNumber";
inline constexpr const char* extendedAttributes = "NSFileExtendedAttributes";
} // namespace vistrel::FileAttributeKey
