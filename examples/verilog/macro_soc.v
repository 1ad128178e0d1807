// A design around memory macros it does not define (a RAM and a ROM): both
// import as black boxes until a model is given with --lib.
module macro_soc(input clk, input rst, input [7:0] in, output [7:0] out);
  reg [9:0] ptr;
  wire [15:0] word, code;
  always @(posedge clk) ptr <= rst ? 10'd0 : ptr + 10'd1;
  sram1kx16 u_data(.clk(clk), .we(in[0]), .addr(ptr), .din({in, in}), .dout(word));
  rom1kx16 u_code(.clk(clk), .addr(ptr ^ {2'b0, in}), .dout(code));
  assign out = word[15:8] ^ code[7:0];
endmodule
