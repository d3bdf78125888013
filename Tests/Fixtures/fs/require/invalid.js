module.exports = "ÿþ";
