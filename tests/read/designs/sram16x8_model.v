// A behavioural model of the memory macro sram16x8.
module sram16x8(input clk, input we, input [3:0] addr, input [7:0] din, output [7:0] dout);
  reg [7:0] words [0:15];
  always @(posedge clk) if (we) words[addr] <= din;
  assign dout = words[addr];
endmodule
